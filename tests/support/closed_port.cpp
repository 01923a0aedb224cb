#include "tests/support/closed_port.h"

ClosedPort::ClosedPort() {
    WSADATA data{};
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (socket_ != INVALID_SOCKET && bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
        int size = sizeof(address);
        if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size) == 0) port_ = ntohs(address.sin_port);
    }
}

ClosedPort::~ClosedPort() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    if (started_) WSACleanup();
}
