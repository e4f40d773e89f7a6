#pragma once

#include <QByteArray>
#include <QIODevice>

#include <algorithm>
#include <cstring>

// A read-only device over fixed bytes that behaves like a pipe: sequential, no size, no seeking.
// QBuffer cannot stand in for this, because it reads at pos(), which a sequential device keeps at 0.
// It also counts the bytes handed out, so a test can see how far a reader got.
class CSequentialDevice : public QIODevice {
public:
    explicit CSequentialDevice(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytes.size() - m_nOffset + QIODevice::bytesAvailable(); }
    qint64 BytesHandedOut() const { return m_nOffset; }

protected:
    qint64 readData(char* pData, qint64 nMax) override {
        const qint64 n = std::min(nMax, m_bytes.size() - m_nOffset);
        if (n <= 0)
            return -1; // the other end has closed
        std::memcpy(pData, m_bytes.constData() + m_nOffset, static_cast<std::size_t>(n));
        m_nOffset += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_nOffset = 0;
};
