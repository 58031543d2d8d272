// SPDX-License-Identifier: MIT
// httpclients PORT CLIENTS INTERVAL_MS SECONDS [HALF_OPEN]: CLIENTS clients
// of the HTTP view at 127.0.0.1:PORT, each asking every INTERVAL_MS for
// /metrics and /api/v1/state in turn, each request on a connection of its
// own, for SECONDS. Prints the answers, the failures (no whole answer within
// 10 s) and the answer times (from the connection's start to the answer's
// last byte): median, 99th percentile and the longest, in ms.
// With HALF_OPEN, a crowd of that many connections more, each sending the
// first lines of a request and never its end, and connecting again as soon
// as the server lets it go (slowloris); the crowd has a second to take the
// places before the clients start, and the clients ask for /healthz. Then it
// prints how often the crowd was let go too.

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

// One of the crowd: connected, or connecting again.
struct HalfOpen
{
    int fd = -1;
    bool connected = false;
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
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: httpclients PORT CLIENTS INTERVAL_MS SECONDS [HALF_OPEN]\n");
        return 2;
    }
    sockaddr_in server {};
    server.sin_family = AF_INET;
    server.sin_port = htons(uint16_t(std::atoi(argv[1])));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto interval = std::chrono::milliseconds(std::atoi(argv[3]));
    std::vector<HalfOpen> crowd(argc == 6 ? size_t(std::atoi(argv[5])) : 0);
    const Clock::time_point begin = Clock::now() + std::chrono::seconds(crowd.empty() ? 0 : 1);
    const Clock::time_point end = begin + std::chrono::seconds(std::atoi(argv[4]));
    std::vector<Client> clients(size_t(std::atoi(argv[2])));
    // Spread over the first interval, as clients that started at random would be.
    for (size_t i = 0; i < clients.size(); ++i)
        clients[i].next = begin + interval * i / clients.size();
    std::vector<double> times;
    long failures = 0;
    long letGo = 0;
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
        for (HalfOpen &member : crowd) {
            if (member.fd < 0) {
                member.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                member.connected = false;
                ::connect(member.fd, reinterpret_cast<sockaddr *>(&server), sizeof server);
            }
            polled.push_back({member.fd, short(member.connected ? POLLIN : POLLOUT), 0});
            owners.push_back(nullptr);
        }
        for (Client &client : clients) {
            if (now < begin)
                break;
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
            if (now - client.start > std::chrono::seconds(10)) {
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
            if (polled[i].revents == 0)
                continue;
            if (!owners[i]) {
                HalfOpen &member = crowd[i];
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(member.fd, SOL_SOCKET, SO_ERROR, &error, &size);
                static const char head[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n";
                char buffer[4096];
                bool held = error == 0;
                if (held && !member.connected) {
                    held = ::send(member.fd, head, sizeof head - 1, MSG_NOSIGNAL) > 0;
                    member.connected = true;
                } else if (held) {
                    held = ::recv(member.fd, buffer, sizeof buffer, 0) > 0; // not read on
                }
                if (!held) {
                    ::close(member.fd);
                    member.fd = -1;
                    ++letGo;
                }
                continue;
            }
            Client &client = *owners[i];
            if (!client.connected) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(client.fd, SOL_SOCKET, SO_ERROR, &error, &size);
                const char *path = !crowd.empty() ? "/healthz"
                    : client.asked++ % 2          ? "/api/v1/state"
                                                  : "/metrics";
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
    std::printf("answers %zu failures %ld median %.2f p99 %.2f max %.2f", times.size(), failures,
                at(0.5), at(0.99), times.empty() ? 0.0 : times.back());
    if (!crowd.empty())
        std::printf(" half-open let go %ld", letGo);
    std::printf("\n");
    return 0;
}
