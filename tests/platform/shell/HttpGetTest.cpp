#include <gtest/gtest.h>

#include "common/LoopbackHttpServer.h"
#include "platform/shell/HttpGet.h"

namespace {

QString UrlOf(const TLoopbackHttpServer& server, const char* target) {
    return QString::fromLatin1("http://" + server.HostAndPort() + target);
}

}  // namespace

TEST(HttpGet, AWholeAnswerIsTheBodyAndTheTargetIsSentAsGiven) {
    TLoopbackHttpServer server;
    const QByteArray body = "<?xml version=\"1.0\"?><a>Čáslav</a>";
    server.SetBody(body);
    QByteArray got;
    ASSERT_TRUE(HttpGet(UrlOf(server, "/cgi-bin/x.cgi?ico=123"), got));
    EXPECT_EQ(got, body);
    ASSERT_EQ(server.Requests().size(), 1);
    EXPECT_EQ(server.Requests()[0], "/cgi-bin/x.cgi?ico=123");
}

TEST(HttpGet, AnythingShortOfAWholeSuccessfulAnswerIsAFailureWithNoBody) {
    struct Case {
        const char* what;
        QByteArray reply;
    };
    const Case kCases[] = {
        {"cut short", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n<a>only a part"},
        {"server error", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 5\r\n\r\nerror"},
        {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno"},
        {"redirect", "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 0\r\n\r\n"},
        {"no HTTP at all", "garbage"},
        {"closed at once", ""},
    };
    TLoopbackHttpServer server;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        server.SetReply(c.reply);
        QByteArray got = "stale";
        EXPECT_FALSE(HttpGet(UrlOf(server, "/"), got));
        EXPECT_TRUE(got.isEmpty());
    }
}

TEST(HttpGet, NoServerAndOtherSchemesFail) {
    QByteArray got;
    // A port on the loopback that nobody listens on: the server is made and gone again.
    QString deadUrl;
    {
        TLoopbackHttpServer server;
        deadUrl = UrlOf(server, "/");
    }
    EXPECT_FALSE(HttpGet(deadUrl, got, {2000, 5000}));
    EXPECT_FALSE(HttpGet("file:///etc/hostname", got));
    EXPECT_TRUE(got.isEmpty());
}

TEST(HttpGet, RedirectsAreFollowedOnlyWhenAskedAndOnlyToWebAddresses) {
    TLoopbackHttpServer server;
    const QByteArray there = "http://" + server.HostAndPort() + "/nove/123";
    server.SetReplyFor("/stare/123", "HTTP/1.1 301 Moved Permanently\r\nLocation: " + there +
                                         "\r\nContent-Length: 0\r\n\r\n");
    server.SetReplyFor("/jinam",
                       "HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\nContent-Length: 0\r\n\r\n");
    server.SetBody("{\"ico\":\"123\"}", "application/json");
    const THttpAnswer followed = HttpGetAnswer(UrlOf(server, "/stare/123"), {2000, 5000, 3});
    EXPECT_TRUE(followed.Answered);
    EXPECT_EQ(followed.Status, 200);
    EXPECT_EQ(followed.Body, "{\"ico\":\"123\"}");
    EXPECT_EQ(server.Requests(), (QList<QByteArray>{"/stare/123", "/nove/123"}));
    EXPECT_FALSE(HttpGetAnswer(UrlOf(server, "/stare/123")).Answered);
    EXPECT_FALSE(HttpGetAnswer(UrlOf(server, "/jinam"), {2000, 5000, 3}).Answered);
}

TEST(HttpGet, AnErrorStatusIsAnAnswerWithItsStatusAndAServerThatKeepsSilentTimesOut) {
    TLoopbackHttpServer server;
    server.SetReply(
        "HTTP/1.1 404 Not Found\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n{}");
    const THttpAnswer missing = HttpGetAnswer(UrlOf(server, "/x"));
    EXPECT_TRUE(missing.Answered);
    EXPECT_EQ(missing.Status, 404);
    server.SetSilent(true);
    EXPECT_FALSE(HttpGetAnswer(UrlOf(server, "/x"), {2000, 200, 0}).Answered);
}
