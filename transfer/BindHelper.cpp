#include "BindHelper.h"

#include "Bind69.h"
#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace mg {

const QString BindHelper::ProgramName = QStringLiteral(MG_BIND69_NAME);

namespace {

using Status = BindHelperResult::Status;

constexpr int PatienceMs = 10000;

BindHelperResult failure(Status status, const QString &reason)
{
    return {status, -1, reason};
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The socket the helper sent: only a UDP socket bound to port 69 on the
// address asked for is taken; anything else is closed.
int receiveSocket(int channel, quint32 ipv4)
{
    const int fd = BindHelper::receiveDescriptor(channel);
    if (fd < 0)
        return -1;

    int type = 0;
    int domain = 0;
    socklen_t length = sizeof(type);
    sockaddr_in local{};
    socklen_t localLength = sizeof(local);
    const bool expected = ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM
        && (length = sizeof(domain), ::getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &length) == 0)
        && domain == AF_INET && ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) == 0
        && ntohs(local.sin_port) == MG_BIND69_PORT && ntohl(local.sin_addr.s_addr) == ipv4;
    if (!expected) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int BindHelper::receiveDescriptor(int channel)
{
    char byte = 0;
    iovec data{&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    ssize_t got = -1;
    do
        got = ::recvmsg(channel, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    const cmsghdr *rights = got == 1 ? CMSG_FIRSTHDR(&message) : nullptr;
    if (!rights || rights->cmsg_level != SOL_SOCKET || rights->cmsg_type != SCM_RIGHTS
        || rights->cmsg_len != CMSG_LEN(sizeof(int)))
        return -1;
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(rights), sizeof(fd));
    return fd;
}

QString BindHelper::locate()
{
    const ProgramFolderResult folder = locateProgramFolder();
    return folder.ok ? QDir(folder.folder).filePath(ProgramName) : QString();
}

BindHelperResult BindHelper::bindPort69(const QString &helperPath, const QHostAddress &address)
{
    bool isIPv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIPv4);
    if (!isIPv4)
        return failure(Status::Failed, QStringLiteral("補助プログラムが開けるのは IPv4 のアドレスだけです。"));
    if (helperPath.isEmpty()) {
        return failure(Status::Missing,
                       QStringLiteral("プログラムのフォルダが分からないため、補助プログラムを使えません "
                                      "(設定ファイルの Target を確かめてください)。"));
    }
    const QFileInfo file(helperPath);
    if (!file.isFile() || !file.isExecutable())
        return failure(Status::Missing, QStringLiteral("補助プログラム %1 がないか、実行できません。").arg(helperPath));

    int channel[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
        return failure(Status::Failed, QStringLiteral("補助プログラムとの通信路を作れません: %1").arg(systemError(errno)));
    const int ours = channel[0];
    const int theirs = channel[1];

    QProcess helper;
    helper.setProgram(helperPath);
    helper.setArguments({QString::number(theirs), QStringLiteral("udp"), QHostAddress(ipv4).toString(),
                         QString::number(MG_BIND69_PORT)});
    // It reads no environment; handing it none keeps the loader from
    // reading one either.
    helper.setProcessEnvironment(QProcessEnvironment());
    helper.setStandardInputFile(QProcess::nullDevice());
    helper.setStandardOutputFile(QProcess::nullDevice());
    // Both ends close on exec; only this child keeps its end across it, so
    // no other program started meanwhile holds the channel open.
    helper.setChildProcessModifier([theirs] { ::fcntl(theirs, F_SETFD, 0); });
    helper.start();
    ::close(theirs);
    if (!helper.waitForFinished(PatienceMs)) {
        const bool started = helper.error() != QProcess::FailedToStart;
        helper.kill();
        helper.waitForFinished();
        ::close(ours);
        return failure(started ? Status::Failed : Status::Missing,
                       started ? QStringLiteral("補助プログラム %1 が %2 秒以内に終わりませんでした。")
                                     .arg(helperPath, QString::number(PatienceMs / 1000))
                               : QStringLiteral("補助プログラム %1 を起動できません: %2").arg(helperPath, helper.errorString()));
    }
    const QString said = QString::fromUtf8(helper.readAllStandardError()).trimmed();
    const int status = helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1;
    BindHelperResult result;
    switch (status) {
    case MG_BIND69_OK:
        result.descriptor = receiveSocket(ours, ipv4);
        result = result.descriptor >= 0
            ? BindHelperResult{Status::Bound, result.descriptor, QString()}
            : failure(Status::Failed, QStringLiteral("補助プログラムから UDP ポート 69 のソケットを受け取れませんでした。"));
        break;
    case MG_BIND69_DENIED:
        result = failure(Status::Denied, QStringLiteral("補助プログラムにもその権限がありません。"));
        break;
    case MG_BIND69_IN_USE:
        result = failure(Status::InUse, QStringLiteral("ほかのプログラムがこのポートを使っています。"));
        break;
    case MG_BIND69_NOT_LOCAL:
        result = failure(Status::NotLocal, QStringLiteral("%1 はこの PC のアドレスではありません。").arg(QHostAddress(ipv4).toString()));
        break;
    case -1:
        result = failure(Status::Failed, QStringLiteral("補助プログラムが異常終了しました。"));
        break;
    default:
        result = failure(Status::Failed, QStringLiteral("補助プログラムが失敗しました (終了コード %1): %2").arg(status).arg(said));
        break;
    }
    ::close(ours);
    return result;
}

} // namespace mg
