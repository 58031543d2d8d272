// SPDX-License-Identifier: MIT
// baselinereceiver PORT IDLE_MS: the least a receiver can do on this machine,
// one blocking recvfrom per datagram. Prints "ready", then, once no datagram
// has come for IDLE_MS after the first, "received N".

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: baselinereceiver PORT IDLE_MS\n");
        return 2;
    }
    const int descriptor = socket(AF_INET, SOCK_DGRAM, 0);
    int reuse = 1;
    setsockopt(descriptor, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    int buffer = 4 << 20; // as the program asks for
    setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(std::atoi(argv[1]));
    if (bind(descriptor, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        std::perror("bind");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    const long idle = std::atol(argv[2]);
    timeval timeout {idle / 1000, (idle % 1000) * 1000};
    long received = 0;
    char data[256];
    for (;;) {
        const ssize_t count = recvfrom(descriptor, data, 255, 0, nullptr, nullptr);
        if (count < 0)
            break; // idle for IDLE_MS
        if (++received == 1)
            setsockopt(descriptor, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    std::printf("received %ld\n", received);
    return 0;
}
