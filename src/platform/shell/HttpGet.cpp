#include "platform/shell/HttpGet.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

// An answer bigger than this is no answer of a register look-up; stopping keeps a broken server
// from filling the memory.
constexpr size_t kMaxBody = 16 * 1024 * 1024;

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<QByteArray*>(user);
    const size_t bytes = size * count;
    // Answering fewer bytes than given makes curl stop with an error.
    if (static_cast<size_t>(body->size()) + bytes > kMaxBody) return 0;
    body->append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

struct TCurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

}  // namespace

THttpAnswer HttpGetAnswer(const QString& url, const THttpOptions& options) {
    THttpAnswer answer;
    InitCurlOnce();
    const std::unique_ptr<CURL, TCurlDeleter> curl(curl_easy_init());
    if (!curl) return answer;
    const QByteArray address = url.toUtf8();
    QByteArray received;
    curl_easy_setopt(curl.get(), CURLOPT_URL, address.constData());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &received);
    curl_easy_setopt(curl.get(), CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectMs));
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(options.totalMs));
    // Only web addresses: a URL, or a redirect, must not reach a local file or another protocol.
    curl_easy_setopt(curl.get(), CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, options.maxRedirects > 0 ? 1L : 0L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, static_cast<long>(options.maxRedirects));
    // Signals would interrupt the program's own thread; time-outs work without them.
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    if (curl_easy_perform(curl.get()) != CURLE_OK) return answer;
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    // A redirect that was not followed is no answer to the question asked.
    if (status >= 300 && status <= 399) return answer;
    answer.Answered = true;
    answer.Status = status;
    answer.Body = received;
    return answer;
}

bool HttpGet(const QString& url, QByteArray& body, const THttpOptions& options) {
    THttpAnswer answer = HttpGetAnswer(url, options);
    body.clear();
    if (!answer.Answered || answer.Status < 200 || answer.Status > 299) return false;
    body = answer.Body;
    return true;
}
