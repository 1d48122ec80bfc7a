#pragma once

#include <QString>
#include <QStringList>

namespace mg {

// Hides the passwords of a session in text that is kept or shown: every
// stretch of text covered by a secret becomes "********" (overlapping or
// adjacent secrets give one mask). The router's output arrives in pieces cut
// anywhere, so a secret cut over two pieces must still be found: the end of
// a piece that could begin a secret is held back (at most the longest
// secret's length minus one character) until the next piece or finish()
// settles it. Searching each piece on its own would let such a secret
// through half by half.
class SecretMasker {
public:
    static inline const QString Mask = QStringLiteral("********");

    // An empty secret is ignored. Secrets may be added while text flows:
    // from then on they are found, also in what is still held back.
    void addSecret(const QString &secret);
    const QStringList &secrets() const { return m_secrets; }
    // Whether the text holds any secret (a line to be hidden whole).
    bool carriesSecret(QStringView text) const;

    // The text that can be let out now.
    QString feed(const QString &text);
    // The end of the stream: what was held back, masked as needed.
    QString finish();
    // Characters held back, waiting for the next piece.
    qsizetype heldBack() const { return m_pending.size(); }

    // A whole text at once, nothing held back.
    QString masked(const QString &text) const;

private:
    QString release(bool final);

    QStringList m_secrets;      // longest first
    QString m_pending;          // text not let out yet
    qsizetype m_coveredHead = 0; // leading characters of m_pending already known to be secret
    bool m_lastWasMask = false;
};

} // namespace mg
