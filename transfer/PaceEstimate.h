#pragma once

#include <QList>
#include <QString>
#include <chrono>
#include <optional>

namespace mg {

// How long the rest of a transfer will take, from the pace of its recent
// progress: the time the last few steps took, over what is still to come.
// A recent window rather than the whole run, so that a long wait early on
// (the router's boot after the reset) does not weigh on the estimate once
// the lines flow again. The times come from the caller's clock.
class PaceEstimate {
public:
    // Progress reports the pace is measured over.
    static constexpr int Window = 10;

    // Starts measuring afresh (the pace before no longer tells anything).
    void reset();
    // done of total at that time. A report without progress is not a step:
    // its time counts in the next one.
    void progress(std::chrono::milliseconds at, int done, int total);
    // What is still to come at the measured pace; nothing until a pace has
    // been measured.
    std::optional<std::chrono::seconds> remaining() const;

private:
    struct Sample {
        std::chrono::milliseconds at;
        int done;
    };
    QList<Sample> m_samples;
    int m_total = 0;
};

// The estimate as the progress window shows it: "残り 約 1 分 20 秒",
// rounded up to 5 seconds under a minute and to 10 seconds above.
QString timeLeftText(std::optional<std::chrono::seconds> remaining);

} // namespace mg
