#include "PaceEstimate.h"

#include <algorithm>
#include <cmath>

namespace mg {

void PaceEstimate::reset()
{
    m_samples.clear();
}

void PaceEstimate::progress(std::chrono::milliseconds at, int done, int total)
{
    m_total = total;
    if (!m_samples.isEmpty() && done <= m_samples.constLast().done) {
        // Counted again from the start (another try) or no step: the pace
        // measured so far is about other steps.
        if (done < m_samples.constLast().done)
            m_samples.clear();
        else
            return;
    }
    m_samples.append({at, done});
    while (m_samples.size() > Window + 1)
        m_samples.removeFirst();
}

std::optional<std::chrono::seconds> PaceEstimate::remaining() const
{
    if (m_samples.size() < 2)
        return std::nullopt;
    const Sample &first = m_samples.constFirst();
    const Sample &last = m_samples.constLast();
    const double perStep = double((last.at - first.at).count()) / double(last.done - first.done);
    const int left = std::max(0, m_total - last.done);
    return std::chrono::seconds(qint64(std::ceil(perStep * left / 1000.0)));
}

QString timeLeftText(std::optional<std::chrono::seconds> remaining)
{
    if (!remaining)
        return QStringLiteral("残り時間を計っています...");
    const qint64 seconds = remaining->count();
    if (seconds <= 0)
        return QStringLiteral("残り わずか");
    if (seconds < 60) {
        const qint64 shown = (seconds + 4) / 5 * 5;
        if (shown < 60)
            return QStringLiteral("残り 約 %1 秒").arg(shown);
    }
    const qint64 shown = (seconds + 9) / 10 * 10;
    const qint64 minutes = shown / 60;
    const qint64 rest = shown % 60;
    if (rest == 0)
        return QStringLiteral("残り 約 %1 分").arg(minutes);
    return QStringLiteral("残り 約 %1 分 %2 秒").arg(minutes).arg(rest);
}

} // namespace mg
