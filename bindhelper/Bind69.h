/* What the program and marrowgate-bind69 agree on. Plain C: the helper is
 * built without Qt and without the C++ library. */
#ifndef MG_BIND69_H
#define MG_BIND69_H

#define MG_BIND69_NAME "marrowgate-bind69"
#define MG_BIND69_PORT 69

/* Called as: marrowgate-bind69 CHANNEL udp ADDRESS 69
 * CHANNEL is an inherited Unix socket; the bound UDP socket comes back over
 * it (SCM_RIGHTS) with one byte of data. The exit status says what
 * happened, so the program words its own message. */
enum {
    MG_BIND69_OK = 0,
    MG_BIND69_FAILED = 1,    /* socket(), bind() or dropping capabilities failed otherwise */
    MG_BIND69_REFUSED = 2,   /* wrong usage: another port or socket type, no IPv4 address, no channel */
    MG_BIND69_NOT_LOCAL = 3, /* the address is none of this machine's */
    MG_BIND69_DENIED = 4,    /* no capability to bind port 69 */
    MG_BIND69_IN_USE = 5,    /* another socket holds the port */
    MG_BIND69_HANDOVER = 6   /* the socket could not be sent back */
};

#endif
