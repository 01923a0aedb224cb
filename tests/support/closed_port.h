// A loopback port that refuses connections: bound, never listening.
#pragma once

#include <winsock2.h>

class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;
    // 0 when no port could be had.
    int port() const { return port_; }

private:
    bool started_ = false;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};
