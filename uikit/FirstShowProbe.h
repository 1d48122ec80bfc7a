#pragma once

#include <QObject>

class QWidget;

namespace mg {

// How long a window takes to appear, for tools/bench_startup.sh: with
// MARROWGATE_BENCH_FIRST_SHOW set to the launch time (nanoseconds since the
// epoch, as `date +%s%N` prints it), the program prints how many
// milliseconds after it the window was first painted, and ends. Without the
// variable nothing is watched.
class FirstShowProbe : public QObject {
    Q_OBJECT

public:
    static void watchIfAsked(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FirstShowProbe(QWidget &window, qint64 launched);

    QWidget &m_window;
    qint64 m_launched;
};

} // namespace mg
