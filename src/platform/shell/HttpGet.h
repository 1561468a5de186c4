#pragma once

#include <QByteArray>
#include <QString>

// A plain HTTP GET for the few look-ups the program makes on the internet. It blocks the calling
// thread until the whole answer is in or the time-outs run out; it never retries and never hands
// back a part of an answer as if it were the whole.

struct THttpOptions {
    // Until the server has accepted the connection.
    int connectMs = 10000;
    // For the whole exchange, connection and redirects included.
    int totalMs = 30000;
    // How many redirects are followed, to web addresses only; 0 follows none.
    int maxRedirects = 0;
};

// The outcome of a GET.
struct THttpAnswer {
    // A whole answer came back, whatever its status. False for no connection, a time-out, a
    // transfer cut short or a redirect not followed to its end.
    bool Answered = false;
    long Status = 0;
    // The body of a whole answer.
    QByteArray Body;
};

THttpAnswer HttpGetAnswer(const QString& url, const THttpOptions& options = {});

// The body of the answer to a GET of the URL. False, with the body empty, when there is no
// complete answer or its status is other than 2xx (an error page is not the answer that was asked
// for).
bool HttpGet(const QString& url, QByteArray& body, const THttpOptions& options = {});
