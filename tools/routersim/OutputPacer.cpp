#include "OutputPacer.h"

namespace mg::routersim {

namespace {

// Between single bytes: long enough for each to leave as its own segment.
constexpr int OneBytePauseMs = 1;
// Between the halves of a character: long enough that the reader, on a
// machine that is not idle, usually gets the lead byte on its own.
constexpr int SplitPauseMs = 20;

bool isLeadByte(char c)
{
    const auto b = quint8(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

OutputPacer::OutputPacer(Pacing pacing, Writer writer, QObject *parent)
    : QObject(parent), m_pacing(pacing), m_writer(std::move(writer)), m_rate(pacing.bytesPerSecond)
{
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &OutputPacer::writeNext);
}

QByteArrayList OutputPacer::pieces(const QByteArray &bytes, Pacing pacing)
{
    QByteArrayList result;
    if (pacing.oneByte) {
        for (char c : bytes)
            result.append(QByteArray(1, c));
        return result;
    }
    if (!pacing.splitSjis) {
        result.append(bytes);
        return result;
    }
    // Output always starts on a character boundary, so a walk from the start
    // tells lead bytes from second bytes.
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (isLeadByte(bytes.at(i)) && i + 1 < bytes.size()) {
            result.append(bytes.mid(start, i + 1 - start));
            start = i + 1;
            ++i;
        }
    }
    if (start < bytes.size())
        result.append(bytes.mid(start));
    return result;
}

void OutputPacer::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_pieces.append(pieces(bytes, m_pacing));
    writeNext();
}

void OutputPacer::resume()
{
    m_stalled = false;
    writeNext();
}

void OutputPacer::writeNext()
{
    if (m_pause.isActive() || m_stalled)
        return;
    const int pauseMs = m_pacing.oneByte ? OneBytePauseMs : m_pacing.splitSjis ? SplitPauseMs : 0;
    while (!m_pieces.isEmpty()) {
        QByteArray &piece = m_pieces.first();
        qint64 wanted = piece.size();
        if (m_rate.isLimited()) {
            const qint64 allowed = m_rate.available();
            if (allowed <= 0) {
                m_pause.start(m_rate.millisecondsToNextByte());
                return;
            }
            wanted = std::min(wanted, allowed);
        }
        const qint64 written = m_writer(piece.left(wanted));
        if (written < 0) {
            m_pieces.clear();
            break;
        }
        if (m_rate.isLimited())
            m_rate.consume(written);
        piece.remove(0, written);
        if (written < wanted) {
            m_stalled = true;
            emit stalled();
            return;
        }
        if (!piece.isEmpty())
            continue;
        m_pieces.removeFirst();
        if (pauseMs > 0 && !m_pieces.isEmpty()) {
            m_pause.start(pauseMs);
            return;
        }
    }
    emit drained();
}

} // namespace mg::routersim
