#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <atomic>
#include <map>
#include <mutex>
#include <thread>

// A small HTTP server on 127.0.0.1 for tests of the program's web look-ups. It answers every
// request with the same recorded reply (raw bytes: status line, headers and body, as written), or
// with the reply recorded for its target, or, when silent, not at all; and it remembers the
// request targets. It runs on a thread of its own, because the program's client
// blocks the thread that asks. It never listens on any other address.
class TLoopbackHttpServer {
public:
    TLoopbackHttpServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        const int yes = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 8) != 0)
            return;
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TLoopbackHttpServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }
    TLoopbackHttpServer(const TLoopbackHttpServer&) = delete;
    TLoopbackHttpServer& operator=(const TLoopbackHttpServer&) = delete;

    // "127.0.0.1:<port>"; 0 as the port when the server could not start.
    QByteArray HostAndPort() const { return "127.0.0.1:" + QByteArray::number(port_); }

    void SetReply(const QByteArray& raw) {
        std::lock_guard<std::mutex> guard(mutex_);
        reply_ = raw;
    }
    // A complete 200 answer with the body.
    void SetBody(const QByteArray& body, const QByteArray& contentType = "text/xml; charset=UTF-8") {
        SetReply("HTTP/1.1 200 OK\r\nContent-Type: " + contentType + "\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
    }
    // The reply to one target ("/path?query") in place of the common one.
    void SetReplyFor(const QByteArray& target, const QByteArray& raw) {
        std::lock_guard<std::mutex> guard(mutex_);
        routes_[target] = raw;
    }
    // A silent server reads each request and then waits, answering nothing, until the client gives
    // up or the server is destroyed: a register that does not answer.
    void SetSilent(bool silent) { silent_ = silent; }
    // The request targets ("/path?query") in the order they came.
    QList<QByteArray> Requests() const {
        std::lock_guard<std::mutex> guard(mutex_);
        return requests_;
    }

private:
    void Serve() {
        while (!stop_) {
            pollfd wait{listener_, POLLIN, 0};
            if (::poll(&wait, 1, 20) <= 0) continue;
            const int connection = ::accept(listener_, nullptr, nullptr);
            if (connection < 0) continue;
            Answer(connection);
            ::close(connection);
        }
    }
    void Answer(int connection) {
        QByteArray request;
        char buffer[2048];
        while (!request.contains("\r\n\r\n") && request.size() < 65536) {
            pollfd wait{connection, POLLIN, 0};
            if (::poll(&wait, 1, 2000) <= 0) return;
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            request.append(buffer, got);
        }
        QByteArray reply;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
            const QByteArray target = words.size() > 1 ? words[1] : QByteArray();
            requests_ << target;
            const auto route = routes_.find(target);
            reply = route != routes_.end() ? route->second : reply_;
        }
        while (silent_ && !stop_) {
            pollfd wait{connection, POLLIN, 0};
            if (::poll(&wait, 1, 20) > 0 && ::recv(connection, buffer, sizeof buffer, 0) <= 0) return;
        }
        for (qsizetype sent = 0; sent < reply.size();) {
            const ssize_t n = ::send(connection, reply.constData() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += n;
        }
        ::shutdown(connection, SHUT_WR);
    }

    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    QByteArray reply_;
    QList<QByteArray> requests_;
    std::map<QByteArray, QByteArray> routes_;
};
