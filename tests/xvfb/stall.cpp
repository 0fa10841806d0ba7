// lq-stall: a TCP listener on 127.0.0.1 that never accepts and whose queue is
// full, so that a further connect waits until its own time limit. Prints the
// port, then stays until it is ended by a signal.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

int main() {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        listen(listener, 0) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        std::perror("lq-stall");
        return 1;
    }
    // A backlog of 0 holds one connection: this one fills it.
    const int filler = socket(AF_INET, SOCK_STREAM, 0);
    if (filler < 0 || connect(filler, reinterpret_cast<sockaddr*>(&addr), len) != 0) {
        std::perror("lq-stall");
        return 1;
    }
    std::printf("%d\n", ntohs(addr.sin_port));
    std::fflush(stdout);
    for (;;) pause();
}
