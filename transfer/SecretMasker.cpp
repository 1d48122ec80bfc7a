#include "SecretMasker.h"

#include <algorithm>
#include <vector>

namespace mg {

void SecretMasker::addSecret(const QString &secret)
{
    if (secret.isEmpty() || m_secrets.contains(secret))
        return;
    const auto at = std::find_if(m_secrets.begin(), m_secrets.end(),
                                 [&](const QString &s) { return s.size() < secret.size(); });
    m_secrets.insert(at, secret);
}

bool SecretMasker::carriesSecret(QStringView text) const
{
    return std::any_of(m_secrets.cbegin(), m_secrets.cend(), [&](const QString &s) { return text.contains(s); });
}

QString SecretMasker::feed(const QString &text)
{
    m_pending += text;
    return release(false);
}

QString SecretMasker::finish()
{
    QString rest = release(true);
    m_lastWasMask = false;
    return rest;
}

QString SecretMasker::masked(const QString &text) const
{
    SecretMasker once;
    once.m_secrets = m_secrets;
    QString out = once.feed(text);
    return out + once.finish();
}

QString SecretMasker::release(bool final)
{
    const qsizetype n = m_pending.size();
    const QStringView pending(m_pending);

    // Which characters some secret covers. A secret that began in text
    // already let out may reach into what was held back: m_coveredHead.
    std::vector<bool> covered(size_t(n), false);
    std::fill_n(covered.begin(), std::min(m_coveredHead, n), true);
    for (qsizetype i = 0; i < n; ++i) {
        for (const QString &secret : std::as_const(m_secrets)) {
            if (pending.mid(i).startsWith(secret)) {
                std::fill_n(covered.begin() + i, secret.size(), true);
                break; // longest first: the others lie within it
            }
        }
    }

    // Hold back from the first place where the rest of the text could be
    // the beginning of a secret.
    qsizetype hold = n;
    if (!final && !m_secrets.isEmpty()) {
        const qsizetype longest = m_secrets.constFirst().size();
        for (qsizetype i = std::max<qsizetype>(0, n - (longest - 1)); i < n && hold == n; ++i) {
            const QStringView rest = pending.mid(i);
            for (const QString &secret : std::as_const(m_secrets)) {
                if (secret.size() > rest.size() && QStringView(secret).startsWith(rest)) {
                    hold = i;
                    break;
                }
            }
        }
    }

    QString out;
    out.reserve(hold);
    for (qsizetype i = 0; i < hold; ++i) {
        if (covered[size_t(i)]) {
            if (!m_lastWasMask)
                out += Mask;
            m_lastWasMask = true;
        } else {
            out += pending.at(i);
            m_lastWasMask = false;
        }
    }
    m_coveredHead = 0;
    while (hold + m_coveredHead < n && covered[size_t(hold + m_coveredHead)])
        ++m_coveredHead;
    m_pending.remove(0, hold);
    return out;
}

} // namespace mg
