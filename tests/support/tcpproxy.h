#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace testsupport {

// A TCP relay between the program and a database server, for counting and slowing down the
// conversation: it listens on 127.0.0.1 on a free port and passes every connection made to it on
// to host:port, in both directions, from a thread of its own (plain sockets and poll).
//
// It counts round trips: a turn is the client sending bytes after the server last sent some (the
// first bytes of a connection are a turn too). And it can hold every chunk back for a fixed time
// each way, as a network between a workstation and its server would, keeping the order.
class TcpProxy
{
public:
    // Throws std::runtime_error when it cannot listen.
    TcpProxy(std::string host, int port);
    ~TcpProxy();
    TcpProxy(const TcpProxy &) = delete;
    TcpProxy &operator=(const TcpProxy &) = delete;

    // Where the clients connect (on 127.0.0.1).
    int port() const;

    // Every chunk is passed on oneWay after it arrived; zero (the default) passes it on at once.
    void setDelay(std::chrono::microseconds oneWay);

    // The client's turns on all connections since the proxy started or the count was reset.
    int roundTrips() const;
    void resetCount();
    // The connections passed on so far (open or closed).
    int connections() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace testsupport
