#include "core/database/FileReading.h"

CFileReading::CFileReading(CPrompts& prompts) : m_doc(m_app, prompts), m_template(m_doc, prompts) {}

bool CFileReading::Open(const QString& strPath, std::string_view strKnown) {
    m_doc.TryPasswordFirst(strKnown);
    return m_template.OpenDocumentFile(strPath);
}
