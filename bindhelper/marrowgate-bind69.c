/* marrowgate-bind69: binds UDP port 69 on one of this machine's IPv4
 * addresses and hands the socket to the program that started it.
 *
 *     marrowgate-bind69 CHANNEL udp ADDRESS 69
 *
 * The installation gives this small file, not the program with its windows
 * and plugins, the capability cap_net_bind_service. Whoever starts it can
 * make it do this one thing only: no other port, no other socket type, no
 * address that is not this machine's own (checked against getifaddrs, so
 * that a machine allowing non-local binds does not widen it). It reads no
 * environment variable and loads nothing, keeps no descriptor but the
 * channel and standard error, and gives up every capability as soon as the
 * port is bound. */

#define _GNU_SOURCE
#include "Bind69.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

/* Where the channel back to the caller is kept once the rest is closed. */
#define CHANNEL 3

static int fail(int status, const char *what, const char *detail)
{
    dprintf(STDERR_FILENO, "%s: %s%s%s\n", MG_BIND69_NAME, what, detail ? ": " : "", detail ? detail : "");
    return status;
}

/* Keeps at most the capabilities of the first word in keep, permitted and
 * effective; nothing inheritable, so nothing reaches a program started
 * later either. */
static int limit_capabilities(__u32 keep)
{
    struct __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    struct __user_cap_data_struct data[2];
    if (syscall(SYS_capget, &header, data) != 0)
        return -1;
    data[0].permitted &= keep;
    data[1].permitted = 0;
    for (int i = 0; i < 2; ++i) {
        data[i].effective = data[i].permitted;
        data[i].inheritable = 0;
    }
    return (int)syscall(SYS_capset, &header, data);
}

static int is_own_address(struct in_addr address)
{
    struct ifaddrs *list = NULL;
    if (getifaddrs(&list) != 0)
        return 0;
    int found = 0;
    for (const struct ifaddrs *i = list; i && !found; i = i->ifa_next) {
        found = i->ifa_addr && i->ifa_addr->sa_family == AF_INET
            && ((const struct sockaddr_in *)i->ifa_addr)->sin_addr.s_addr == address.s_addr;
    }
    freeifaddrs(list);
    return found;
}

/* The channel moves to CHANNEL; standard input and output become
 * /dev/null; every other inherited descriptor is closed. */
static int keep_only_channel(int channel)
{
    if (channel != CHANNEL && dup2(channel, CHANNEL) != CHANNEL)
        return -1;
    if (close_range(CHANNEL + 1, ~0U, 0) != 0) {
        const long last = sysconf(_SC_OPEN_MAX);
        for (long fd = CHANNEL + 1; fd < last; ++fd)
            close((int)fd);
    }
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0)
        return -1;
    close(null);
    return 0;
}

static int hand_over(int sock)
{
    char byte = 'B';
    struct iovec data = {&byte, 1};
    union {
        struct cmsghdr header;
        char space[CMSG_SPACE(sizeof(int))];
    } control;
    memset(&control, 0, sizeof control);
    struct msghdr message;
    memset(&message, 0, sizeof message);
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control.space;
    message.msg_controllen = sizeof control.space;
    struct cmsghdr *rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    memcpy(CMSG_DATA(rights), &sock, sizeof(int));
    ssize_t sent;
    do
        sent = sendmsg(CHANNEL, &message, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == 1 ? 0 : -1;
}

int main(int argc, char *argv[])
{
    clearenv();
    /* A closed standard descriptor would be taken by the next one opened,
     * and a message meant for standard error would land there. */
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd)
            return MG_BIND69_FAILED;
    }

    if (argc != 5)
        return fail(MG_BIND69_REFUSED, "使い方: " MG_BIND69_NAME " CHANNEL udp ADDRESS 69", NULL);
    if (strcmp(argv[2], "udp") != 0)
        return fail(MG_BIND69_REFUSED, "開くのは UDP のソケットだけです", argv[2]);
    if (strcmp(argv[4], "69") != 0)
        return fail(MG_BIND69_REFUSED, "開くのはポート 69 だけです", argv[4]);
    struct in_addr address;
    if (inet_pton(AF_INET, argv[3], &address) != 1)
        return fail(MG_BIND69_REFUSED, "IPv4 アドレスではありません", argv[3]);
    char *end = NULL;
    errno = 0;
    const long channel = strtol(argv[1], &end, 10);
    int domain = 0;
    socklen_t length = sizeof domain;
    if (errno != 0 || end == argv[1] || *end != '\0' || channel <= STDERR_FILENO || channel > 65535
        || getsockopt((int)channel, SOL_SOCKET, SO_DOMAIN, &domain, &length) != 0 || domain != AF_UNIX)
        return fail(MG_BIND69_REFUSED, "ソケットを返す Unix ソケットがありません", argv[1]);
    if (keep_only_channel((int)channel) != 0)
        return fail(MG_BIND69_FAILED, "ファイル記述子を整理できません", strerror(errno));

    if (!is_own_address(address))
        return fail(MG_BIND69_NOT_LOCAL, "この PC のアドレスではありません", argv[3]);
    if (limit_capabilities(1U << CAP_NET_BIND_SERVICE) != 0)
        return fail(MG_BIND69_FAILED, "権限を減らせません", strerror(errno));

    const int sock = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0)
        return fail(MG_BIND69_FAILED, "ソケットを作れません", strerror(errno));
    struct sockaddr_in local;
    memset(&local, 0, sizeof local);
    local.sin_family = AF_INET;
    local.sin_port = htons(MG_BIND69_PORT);
    local.sin_addr = address;
    if (bind(sock, (const struct sockaddr *)&local, sizeof local) != 0) {
        const int error = errno;
        const char *reason = strerror(error);
        if (error == EACCES || error == EPERM)
            return fail(MG_BIND69_DENIED, "ポート 69 を開く権限がありません", reason);
        if (error == EADDRINUSE)
            return fail(MG_BIND69_IN_USE, "ほかのプログラムがポート 69 を使っています", reason);
        if (error == EADDRNOTAVAIL)
            return fail(MG_BIND69_NOT_LOCAL, "この PC のアドレスではありません", argv[3]);
        return fail(MG_BIND69_FAILED, "ポート 69 を開けません", reason);
    }
    if (limit_capabilities(0) != 0)
        return fail(MG_BIND69_FAILED, "権限を手放せません", strerror(errno));

    if (hand_over(sock) != 0)
        return fail(MG_BIND69_HANDOVER, "ソケットを渡せません", strerror(errno));
    return MG_BIND69_OK;
}
