// The simulator serving its module over TCP: one client at a time, each connection a line
// that the next client gets once the last one has gone.

#include "sim/SimLine.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

bool SimLine::OpenListener() {
    // tcp://ADDRESS:PORT, the address numeric ([...] for IPv6).
    const std::string rest = options.listen.substr(6);
    const std::size_t colon = rest.rfind(':');
    std::string host = colon == std::string::npos ? std::string() : rest.substr(0, colon);
    const std::string port = colon == std::string::npos ? std::string() : rest.substr(colon + 1);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    if (host.empty() || port.empty() ||
        getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0) {
        std::fprintf(stderr, "talmire-sim: --listen takes tcp://ADDRESS:PORT, not %s\n",
                     options.listen.c_str());
        return false;
    }
    listenFd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    if (listenFd >= 0)
        (void)setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const bool bound = listenFd >= 0 && bind(listenFd, found->ai_addr, found->ai_addrlen) == 0 &&
                       ::listen(listenFd, 4) == 0;
    freeaddrinfo(found);
    if (!bound) {
        std::fprintf(stderr, "talmire-sim: cannot listen on %s: %s\n", options.listen.c_str(),
                     std::strerror(errno));
        return false;
    }
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    char service[16] = {};
    if (getsockname(listenFd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        getnameinfo(reinterpret_cast<sockaddr*>(&address), size, nullptr, 0, service,
                    sizeof service, NI_NUMERICSERV) != 0)
        return false;
    const bool v6 = host.find(':') != std::string::npos;
    toolPath = "tcp://" + (v6 ? "[" + host + "]" : host) + ":" + service;
    return true;
}

std::optional<int> SimLine::AwaitClient(int stopFd) {
    for (;;) {
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {listenFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return 1;
        }
        if (fds[0].revents != 0)
            return 0;
        const int client = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0)
            continue; // the client gave up before we took it, or no descriptor to spare
        const int one = 1;
        (void)setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        fd = client;
        if (options.verbose)
            std::fprintf(stderr, "   a client connected\n");
        return std::nullopt;
    }
}
