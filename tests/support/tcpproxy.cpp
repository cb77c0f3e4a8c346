#include "support/tcpproxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <list>
#include <stdexcept>
#include <thread>
#include <vector>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

void setNonBlocking(int fd)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A blocking connect to host:port; -1 when it fails.
int connectTo(const std::string &host, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo *a = found; a; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0)
            break;
        ::close(fd);
        fd = -1;
    }
    ::freeaddrinfo(found);
    return fd;
}

struct Chunk
{
    Clock::time_point due;
    std::string bytes;
    size_t written = 0;
};

// One direction of a connection: what was read from `from` and waits to be written to `to`.
struct Flow
{
    int from = -1;
    int to = -1;
    std::deque<Chunk> pending;
    bool ended = false;    // `from` has nothing more to send
    bool shutDown = false; // and `to` was told so
};

struct Link
{
    Flow up;   // client -> server
    Flow down; // server -> client
    bool serverSpokeLast = true;
    bool broken = false;
};

} // namespace

struct TcpProxy::Private
{
    std::string host;
    int upstreamPort = 0;
    int listenFd = -1;
    int port = 0;
    int wake[2] = {-1, -1};
    std::atomic<bool> stopping{false};
    std::atomic<long long> delayUs{0};
    std::atomic<int> trips{0};
    std::atomic<int> connections{0};
    std::thread thread;
    std::list<Link> links;

    void loop();
    void accept();
    void read(Link &link, Flow &flow, bool fromClient);
    void write(Link &link, Flow &flow, Clock::time_point now);
};

TcpProxy::TcpProxy(std::string host, int port) : d(std::make_unique<Private>())
{
    d->host = std::move(host);
    d->upstreamPort = port;
    d->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (d->listenFd < 0 ||
        ::bind(d->listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(d->listenFd, 64) != 0 ||
        ::getsockname(d->listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
        ::pipe2(d->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        const std::string why = std::strerror(errno);
        if (d->listenFd >= 0)
            ::close(d->listenFd);
        throw std::runtime_error("The proxy cannot listen: " + why);
    }
    d->port = ntohs(address.sin_port);
    d->thread = std::thread([p = d.get()] { p->loop(); });
}

TcpProxy::~TcpProxy()
{
    d->stopping = true;
    const char byte = 0;
    [[maybe_unused]] const auto ignored = ::write(d->wake[1], &byte, 1);
    d->thread.join();
    for (Link &link : d->links) {
        ::close(link.up.from);
        ::close(link.up.to);
    }
    ::close(d->listenFd);
    ::close(d->wake[0]);
    ::close(d->wake[1]);
}

int TcpProxy::port() const
{
    return d->port;
}

void TcpProxy::setDelay(std::chrono::microseconds oneWay)
{
    d->delayUs = oneWay.count();
}

int TcpProxy::roundTrips() const
{
    return d->trips;
}

void TcpProxy::resetCount()
{
    d->trips = 0;
}

int TcpProxy::connections() const
{
    return d->connections;
}

void TcpProxy::Private::accept()
{
    for (;;) {
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;
        const int server = connectTo(host, upstreamPort);
        if (server < 0) {
            ::close(client);
            continue;
        }
        setNonBlocking(client);
        setNonBlocking(server);
        Link &link = links.emplace_back();
        link.up.from = client;
        link.up.to = server;
        link.down.from = server;
        link.down.to = client;
        ++connections;
    }
}

void TcpProxy::Private::read(Link &link, Flow &flow, bool fromClient)
{
    if (flow.ended)
        return;
    char buffer[65536];
    const ssize_t n = ::recv(flow.from, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n <= 0) {
        flow.ended = true;
        return;
    }
    if (fromClient) {
        if (link.serverSpokeLast)
            ++trips;
        link.serverSpokeLast = false;
    } else {
        link.serverSpokeLast = true;
    }
    flow.pending.push_back(
        {Clock::now() + std::chrono::microseconds(delayUs.load()), std::string(buffer, n), 0});
}

void TcpProxy::Private::write(Link &link, Flow &flow, Clock::time_point now)
{
    while (!flow.pending.empty() && flow.pending.front().due <= now) {
        Chunk &chunk = flow.pending.front();
        const ssize_t n = ::send(flow.to, chunk.bytes.data() + chunk.written,
                                 chunk.bytes.size() - chunk.written, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                link.broken = true;
            return;
        }
        chunk.written += static_cast<size_t>(n);
        if (chunk.written < chunk.bytes.size())
            return;
        flow.pending.pop_front();
    }
    if (flow.ended && flow.pending.empty() && !flow.shutDown) {
        ::shutdown(flow.to, SHUT_WR);
        flow.shutDown = true;
    }
}

void TcpProxy::Private::loop()
{
    std::vector<pollfd> fds;
    std::vector<Link *> owners;
    while (!stopping) {
        const Clock::time_point now = Clock::now();
        fds.clear();
        owners.clear();
        fds.push_back({wake[0], POLLIN, 0});
        fds.push_back({listenFd, POLLIN, 0});
        Clock::time_point next = Clock::time_point::max();
        for (Link &link : links) {
            const auto dueNow = [&](const Flow &f) {
                return !f.pending.empty() && f.pending.front().due <= now;
            };
            for (const Flow *f : {&link.up, &link.down})
                if (!f->pending.empty() && f->pending.front().due > now)
                    next = std::min(next, f->pending.front().due);
            short client = link.up.ended ? 0 : POLLIN;
            short server = link.down.ended ? 0 : POLLIN;
            if (dueNow(link.down))
                client |= POLLOUT;
            if (dueNow(link.up))
                server |= POLLOUT;
            // A socket with nothing to wait for is left out: a hung-up one would wake poll at once.
            fds.push_back({client ? link.up.from : -1, client, 0});
            fds.push_back({server ? link.down.from : -1, server, 0});
            owners.push_back(&link);
        }
        timespec timeout{};
        timespec *wait = nullptr;
        if (next != Clock::time_point::max()) {
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now);
            timeout.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
            timeout.tv_nsec = static_cast<long>(ns.count() % 1000000000);
            wait = &timeout;
        }
        if (::ppoll(fds.data(), fds.size(), wait, nullptr) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN)
            accept();
        for (size_t i = 0; i < owners.size(); ++i) {
            Link &link = *owners[i];
            const short client = fds[2 + 2 * i].revents;
            const short server = fds[3 + 2 * i].revents;
            if (client & (POLLIN | POLLHUP | POLLERR))
                read(link, link.up, true);
            if (server & (POLLIN | POLLHUP | POLLERR))
                read(link, link.down, false);
        }
        const Clock::time_point after = Clock::now();
        for (auto it = links.begin(); it != links.end();) {
            Link &link = *it;
            write(link, link.up, after);
            write(link, link.down, after);
            const bool done = link.broken || (link.up.shutDown && link.down.shutDown) ||
                              // A side gone for good leaves nothing to pass on to it.
                              (link.up.ended && link.down.ended && link.up.pending.empty() &&
                               link.down.pending.empty());
            if (done) {
                ::close(link.up.from);
                ::close(link.up.to);
                it = links.erase(it);
            } else {
                ++it;
            }
        }
    }
}

} // namespace testsupport
