// SPDX-License-Identifier: MIT
// httpclients PORT CLIENTS INTERVAL_MS SECONDS: CLIENTS clients of the HTTP
// view at 127.0.0.1:PORT, each asking every INTERVAL_MS for /metrics and
// /api/v1/state in turn, each request on a connection of its own, for
// SECONDS. Prints the answers, the failures and the answer times (from the
// connection's start to the answer's last byte): median, 99th percentile and
// the longest, in ms.

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Client
{
    int fd = -1;
    bool connected = false;
    Clock::time_point start;
    Clock::time_point next;
    std::string answer;
    int asked = 0;
};

double ms(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Whether the answer is whole: its head and as many bytes as it announced.
bool whole(const std::string &answer)
{
    const size_t end = answer.find("\r\n\r\n");
    if (end == std::string::npos)
        return false;
    const size_t at = answer.find("Content-Length: ");
    const size_t length = at < end ? std::strtoul(answer.c_str() + at + 16, nullptr, 10) : 0;
    return answer.size() >= end + 4 + length;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: httpclients PORT CLIENTS INTERVAL_MS SECONDS\n");
        return 2;
    }
    sockaddr_in server {};
    server.sin_family = AF_INET;
    server.sin_port = htons(uint16_t(std::atoi(argv[1])));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto interval = std::chrono::milliseconds(std::atoi(argv[3]));
    const Clock::time_point begin = Clock::now();
    const Clock::time_point end = begin + std::chrono::seconds(std::atoi(argv[4]));
    std::vector<Client> clients(size_t(std::atoi(argv[2])));
    // Spread over the first interval, as clients that started at random would be.
    for (size_t i = 0; i < clients.size(); ++i)
        clients[i].next = begin + interval * i / clients.size();
    std::vector<double> times;
    long failures = 0;
    const auto finish = [&](Client &client, bool ok) {
        ::close(client.fd);
        client.fd = -1;
        if (ok)
            times.push_back(ms(Clock::now() - client.start));
        else
            ++failures;
        client.next = std::max(client.start + interval, Clock::now());
    };

    std::vector<pollfd> polled;
    std::vector<Client *> owners;
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        polled.clear();
        owners.clear();
        Clock::time_point wake = now + std::chrono::milliseconds(10);
        for (Client &client : clients) {
            if (client.fd < 0 && client.next <= now) {
                client.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                client.connected = false;
                client.answer.clear();
                client.start = now;
                if (::connect(client.fd, reinterpret_cast<sockaddr *>(&server), sizeof server) != 0
                    && errno != EINPROGRESS) {
                    finish(client, false);
                }
            }
            if (client.fd < 0) {
                wake = std::min(wake, client.next);
                continue;
            }
            if (now - client.start > std::chrono::seconds(5)) {
                finish(client, false);
                continue;
            }
            polled.push_back({client.fd, short(client.connected ? POLLIN : POLLOUT), 0});
            owners.push_back(&client);
        }
        const int timeout = int(std::max<double>(0, ms(wake - now)));
        if (::poll(polled.data(), polled.size(), timeout) <= 0)
            continue;
        for (size_t i = 0; i < polled.size(); ++i) {
            Client &client = *owners[i];
            if (polled[i].revents == 0)
                continue;
            if (!client.connected) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(client.fd, SOL_SOCKET, SO_ERROR, &error, &size);
                const char *path = client.asked++ % 2 ? "/api/v1/state" : "/metrics";
                const std::string request = std::string("GET ") + path
                    + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
                if (error != 0
                    || ::send(client.fd, request.data(), request.size(), MSG_NOSIGNAL)
                        != ssize_t(request.size())) {
                    finish(client, false);
                    continue;
                }
                client.connected = true;
                continue;
            }
            char buffer[65536];
            const ssize_t count = ::recv(client.fd, buffer, sizeof buffer, 0);
            if (count > 0) {
                client.answer.append(buffer, size_t(count));
                if (whole(client.answer))
                    finish(client, client.answer.compare(0, 12, "HTTP/1.1 200") == 0);
            } else if (count == 0 || errno != EAGAIN) {
                finish(client, false);
            }
        }
    }
    std::sort(times.begin(), times.end());
    const auto at = [&times](double share) {
        return times.empty() ? 0.0
                             : times[std::min(times.size() - 1, size_t(share * times.size()))];
    };
    std::printf("answers %zu failures %ld median %.2f p99 %.2f max %.2f\n", times.size(), failures,
                at(0.5), at(0.99), times.empty() ? 0.0 : times.back());
    return 0;
}
