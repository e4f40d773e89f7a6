#pragma once

#include "core/resources/DialogTemplates.h"

#include <QFont>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QWidget>

class QComboBox;
class QDialog;
class QPlainTextEdit;

// Turns dialog templates into widgets. Dialog units are converted through the dialog font's metrics the
// way Windows does, so a template keeps its proportions whatever font the desktop hands us; every
// control gets its numeric ID (the "controlId" property, and the object name "IDC_<id>") so code and
// tests reach it with FindControl.

// The font a template asks for, as this desktop has it. Templates name 12-point "MS Sans Serif", which
// Linux has not got; they get the desktop's UI font at its own size (a template of another size would
// get it scaled by size / 12).
QFont DialogFont(const CDialogTemplate& tmpl);

// Windows' dialog base units of a font: the average width of "A".."Z" "a".."z" rounded as Windows
// rounds it, and the character height (ascent + descent).
QSize DialogBaseUnits(const QFont& font);

// One dialog-unit length in pixels: x lengths count quarter base widths, y lengths eighth base heights,
// each rounded to the nearest pixel (halves up) as Windows' MulDiv does.
int DialogUnitsToPixelsX(int nUnits, const QSize& baseUnits);
int DialogUnitsToPixelsY(int nUnits, const QSize& baseUnits);
// A control rectangle in dialog units to pixels; x, y, width and height are each converted on their own.
QRect MapDialogRect(const QRect& rcUnits, const QSize& baseUnits);

// A rectangle in the dialog units a built dialog or form was laid out in (see CreateDialogControls).
QRect MapDialogRect(const QWidget& dialog, const QRect& rcUnits);

// Creates the template's controls on parent in the given font, at absolute positions, in tab order,
// with IDs, accessible names and label buddies; on a QDialog, buttons IDOK and IDCANCEL accept and
// reject it. Returns the template's client size in pixels.
// Positions use Windows' units, widened across the whole dialog just enough that every caption (label,
// button, check box) of the template fits its control in this font; where they fit already, the layout
// is exactly Windows'.
QSize CreateDialogControls(const CDialogTemplate& tmpl, QWidget& parent, const QFont& font);
QSize CreateDialogControls(const CDialogTemplate& tmpl, QWidget& parent);

// A dialog from template nID: the controls, the caption, a fixed-size frame with a title bar and a close
// box only (no resize grip, no help button).
void CreateDialogFromTemplate(int nID, QDialog& dlg);
// A child form from template nID (the site form): the controls, and the form's minimum size.
QSize CreateFormFromTemplate(int nID, QWidget& form);

// The height of a multi-line text box near nHeight that shows whole lines of its font and nothing of the
// next: its frame, the document's margin above them, and the lines nHeight holds, rounded down (bUp:
// up), at least one. The builder gives text boxes such a height; a box that grows with its window keeps to it.
int WholeLinesHeight(const QPlainTextEdit& edit, int nHeight, bool bUp);

// The numeric ID of a control made by the builder, or 0 for any other object.
int ControlId(const QObject* pObject);

// The first control of type T with this ID below parent, or null.
template <class T = QWidget> T* FindControl(const QWidget* pParent, int nID) {
    if (pParent == nullptr)
        return nullptr;
    const QList<T*> children = pParent->findChildren<T*>();
    for (T* pChild : children)
        if (ControlId(pChild) == nID)
            return pChild;
    return nullptr;
}

// The caption of a template text without its mnemonic marks: "&Open" gives "Open", "A&&B" gives "A&B".
QString StripMnemonic(const QString& strText);

// Adds an item as a Windows combo box does: in a sorted combo box (CBS_SORT) at its place in
// alphabetical order without regard to case, after any equal names; otherwise at the end. Returns the
// item's index.
int ComboAddString(QComboBox& combo, const QString& strItem, const QVariant& data = {});
