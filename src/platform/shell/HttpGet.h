#pragma once

#include <QByteArray>
#include <QString>

// A plain HTTP GET for the few look-ups the program makes on the internet. It blocks the calling
// thread until the whole answer is in or the time-outs run out; it never retries and never hands
// back a part of an answer as if it were the whole.

struct THttpTimeouts {
    // Until the server has accepted the connection.
    int connectSeconds = 10;
    // For the whole exchange, connection included.
    int totalSeconds = 30;
};

// The body of the answer to a GET of the URL. False, with the body empty, when there is no
// complete answer: no connection, a time-out, a transfer cut short, or a status other than 2xx
// (an error page is not the answer that was asked for). Redirects are not followed.
bool HttpGet(const QString& url, QByteArray& body, const THttpTimeouts& timeouts = {});
