#include "SerialOpenAdvice.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

namespace mg {

DeviceAccess DeviceAccess::of(const QString &path)
{
    DeviceAccess access;
    access.path = path;
    const QByteArray file = QFile::encodeName(path);
    struct stat st;
    // stat, not lstat: a name under /dev/serial/by-id is a link, and the
    // permissions that refuse the open are those of the device behind it.
    if (file.isEmpty() || ::stat(file.constData(), &st) != 0)
        return access;
    access.exists = true;
    const passwd *user = ::getpwuid(st.st_uid);
    access.owner = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(st.st_uid);
    const struct group *grp = ::getgrgid(st.st_gid);
    access.group = grp ? QString::fromLocal8Bit(grp->gr_name) : QString::number(st.st_gid);
    access.groupIsRoot = st.st_gid == 0;
    access.groupReadWrite = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    return access;
}

QString serialOpenRemedy(SerialOpenFault fault, const DeviceAccess &device)
{
    switch (fault) {
    case SerialOpenFault::None:
        return QString();
    case SerialOpenFault::Missing:
        return QStringLiteral("ケーブル (USB シリアル変換器) がつながっているか確かめ、"
                              "ls /dev/ttyUSB* /dev/ttyS* でデバイスの名前を確かめてください。");
    case SerialOpenFault::Permission: {
        // Joining a group helps only when its members may open the device;
        // joining root's group would hand the user the whole machine and
        // still not open a device the group may not read.
        const bool joinable = device.groupReadWrite && !device.groupIsRoot && !device.group.isEmpty()
                              && device.group != QLatin1String("root");
        if (joinable) {
            return QStringLiteral("このユーザをグループ \"%1\" に加えてください: sudo usermod -aG %1 $USER "
                                  "(ログインし直すと有効になります)。")
                .arg(device.group);
        }
        const QString who = device.owner.isEmpty() || device.owner == QLatin1String("root")
                                ? QStringLiteral("root")
                                : QStringLiteral("所有者 (%1) と root").arg(device.owner);
        return QStringLiteral("デバイス %1 を開けるのは %2 だけで、グループに加わっても開けません。")
                   .arg(device.path, who)
            + QLatin1Char('\n')
            + QStringLiteral("このコンピュータの管理者に、このユーザが使えるようにしてもらってください "
                             "(例: udev の規則でデバイスをグループ dialout のものにし、グループに読み書きを許す)。");
    }
    case SerialOpenFault::Busy:
        return QStringLiteral("ほかのプログラム (端末ソフトなど) がこのデバイスを使っていないか確かめ、"
                              "使っていればそれを終了してください。");
    case SerialOpenFault::Other:
        break;
    }
    return QStringLiteral("通信の設定 (通信速度、パリティ、データ ビット、ストップ ビット、フロー制御) が"
                          "デバイスに合っているか確かめてください。");
}

} // namespace mg
