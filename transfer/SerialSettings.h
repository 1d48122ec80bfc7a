#pragma once

#include <QString>

#include <optional>

namespace mg {

// How the serial console line is framed and paced: speed, parity, data
// bits, stop bits and flow control. The windows keep the framing as a text
// such as "9600,n,8,1" (the line's settings text); flow control is kept
// beside it as a number 0..3. The window, send and check all describe the
// line through this one value, so that what the operator reads about it
// never differs between them.
struct SerialSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };
    // The numbers are the ones the settings file keeps.
    enum class Flow { None = 0, XonXoff = 1, Rts = 2, XonRts = 3 };

    qint32 speed = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;
    Flow flow = Flow::None;

    // The framing from a settings text: blanks around the fields and an
    // upper-case parity letter are forgiven, nothing else. Flow control is
    // not part of the text and stays None. Nothing, with the operator's
    // reason in error, for a text that is not such a setting.
    static std::optional<SerialSettings> parse(const QString &text, QString *error = nullptr);
    // Flow control from its stored number; nothing for a number no choice
    // stands for.
    static std::optional<Flow> flowOf(int number);

    // The settings text: "9600,n,8,1", lower-case, without blanks.
    QString format() const;
    // "9600,n,8,1、フロー制御なし": the line as messages and transcripts name it.
    QString describe() const;
    // Why a value put together in code is no setting at all ("" when it is
    // one): the same reasons parse gives for the text it would format to.
    QString problem() const;

    QChar parityLetter() const;       // 'n' 'e' 'o' 'm' 's'
    QString parityDescription() const; // "偶数パリティ (e)"
    QString stopBitsText() const;     // "1", "1.5", "2"
    static QString flowName(Flow flow); // "なし", " Xon/Xoff", ...

    friend bool operator==(const SerialSettings &, const SerialSettings &) = default;
};

} // namespace mg
