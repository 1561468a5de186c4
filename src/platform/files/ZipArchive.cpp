// Zip archives through libzip. Writing goes through the library's own temporary file, so a failed
// or cancelled archive never replaces an existing one; reading checks every member name first, so
// a crafted archive writes nothing at all.
#include "platform/files/ZipArchive.h"

#include <zip.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <memory>

namespace {

constexpr zip_uint32_t kHighestLevel = 9;
constexpr double kProgressStep = 0.01;
constexpr qint64 kReadChunk = 1 << 16;

void SetError(TZipError* error, int code, const QString& message) {
    if (!error) return;
    error->code = code;
    error->message = message;
}

void SetLibraryError(TZipError* error, zip_error_t* ze) {
    SetError(error, zip_error_code_zip(ze), QString::fromLocal8Bit(zip_error_strerror(ze)));
}

void SetOpenError(TZipError* error, int code) {
    zip_error_t ze;
    zip_error_init_with_code(&ze, code);
    SetLibraryError(error, &ze);
    zip_error_fini(&ze);
}

struct TArchiveCloser {
    void operator()(zip_t* za) const { zip_discard(za); }
};
using TArchive = std::unique_ptr<zip_t, TArchiveCloser>;

TArchive OpenForReading(const QString& archive, TZipError* error) {
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &code);
    if (!za) SetOpenError(error, code);
    return TArchive(za);
}

struct TProgressState {
    const TZipProgress* progress;
    bool cancelled = false;
};

void OnProgress(zip_t*, double done, void* state) {
    auto* s = static_cast<TProgressState*>(state);
    if (*s->progress && !(*s->progress)(int(done * 100.0))) s->cancelled = true;
}

int OnCancel(zip_t*, void* state) { return static_cast<TProgressState*>(state)->cancelled ? 1 : 0; }

bool MatchesAny(const QString& name, const QList<QRegularExpression>& masks) {
    if (masks.isEmpty()) return true;
    for (const QRegularExpression& mask : masks)
        if (mask.match(name).hasMatch()) return true;
    return false;
}

QList<QRegularExpression> CompileMasks(const QStringList& masks) {
    QList<QRegularExpression> compiled;
    for (const QString& mask : masks)
        compiled.append(QRegularExpression(QRegularExpression::wildcardToRegularExpression(mask),
                                           QRegularExpression::CaseInsensitiveOption));
    return compiled;
}

// Copies one member into its file; the file appears only when the member was read whole.
bool ExtractOne(zip_t* za, zip_uint64_t index, const QString& target, TZipError* error) {
    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) {
        SetLibraryError(error, zip_get_error(za));
        return false;
    }
    std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> guard(zf, zip_fclose);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        SetError(error, kZipErrorWrite, out.errorString());
        return false;
    }
    QByteArray buffer(kReadChunk, Qt::Uninitialized);
    for (;;) {
        const zip_int64_t got = zip_fread(zf, buffer.data(), zip_uint64_t(buffer.size()));
        if (got < 0) {
            SetLibraryError(error, zip_file_get_error(zf));
            return false;
        }
        if (got == 0) break;
        if (out.write(buffer.constData(), got) != got) {
            SetError(error, kZipErrorWrite, out.errorString());
            return false;
        }
    }
    if (!out.commit()) {
        SetError(error, kZipErrorWrite, out.errorString());
        return false;
    }
    return true;
}

}  // namespace

bool ZipMemberNameIsSafe(const QString& name) {
    if (name.isEmpty()) return false;
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.startsWith(QLatin1Char('/'))) return false;
    // "C:x" is relative to a drive on Windows; such a name never belongs in our archives.
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':')) return false;
    const QStringList steps = path.split(QLatin1Char('/'));
    for (const QString& step : steps)
        if (step == QLatin1String("..")) return false;
    return true;
}

bool ZipCreate(const QString& archive, const QList<TZipMember>& members, TZipError* error,
               const TZipProgress& progress) {
    int code = 0;
    zip_t* raw = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!raw) {
        SetOpenError(error, code);
        return false;
    }
    TArchive za(raw);
    for (const TZipMember& member : members) {
        zip_source_t* source = zip_source_file(za.get(), QFile::encodeName(member.path).constData(), 0, -1);
        if (!source) {
            SetLibraryError(error, zip_get_error(za.get()));
            return false;
        }
        const zip_int64_t index = zip_file_add(za.get(), member.name.toUtf8().constData(), source,
                                               ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            SetLibraryError(error, zip_get_error(za.get()));
            return false;
        }
        if (zip_set_file_compression(za.get(), zip_uint64_t(index), ZIP_CM_DEFLATE, kHighestLevel) < 0) {
            SetLibraryError(error, zip_get_error(za.get()));
            return false;
        }
    }
    TProgressState state{&progress};
    zip_register_progress_callback_with_state(za.get(), kProgressStep, OnProgress, nullptr, &state);
    zip_register_cancel_callback_with_state(za.get(), OnCancel, nullptr, &state);
    if (zip_close(za.get()) < 0) {
        if (state.cancelled)
            SetError(error, kZipErrorCancelled, QStringLiteral("Operation cancelled"));
        else
            SetLibraryError(error, zip_get_error(za.get()));
        return false;  // the guard discards the half-written archive
    }
    za.release();
    SetError(error, 0, QString());
    return true;
}

QStringList ZipMemberNames(const QString& archive, TZipError* error) {
    TArchive za = OpenForReading(archive, error);
    if (!za) return {};
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i)
        names.append(QString::fromUtf8(zip_get_name(za.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS)));
    SetError(error, 0, QString());
    return names;
}

int ZipExtract(const QString& archive, const QString& folder, const QStringList& masks, TZipError* error,
               const TZipProgress& progress) {
    TArchive za = OpenForReading(archive, error);
    if (!za) return -1;
    const QList<QRegularExpression> compiled = CompileMasks(masks);
    struct TPick {
        zip_uint64_t index;
        QString name;
        zip_uint64_t size;
    };
    QList<TPick> picks;
    zip_uint64_t total = 0;
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(za.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS, &st) < 0) {
            SetLibraryError(error, zip_get_error(za.get()));
            return -1;
        }
        const QString name = QString::fromUtf8(st.name);
        if (name.endsWith(QLatin1Char('/')) || !MatchesAny(name, compiled)) continue;
        if (!ZipMemberNameIsSafe(name)) {
            SetError(error, kZipErrorUnsafeName, QStringLiteral("Unsafe member name: %1").arg(name));
            return -1;
        }
        picks.append({zip_uint64_t(i), name, st.size});
        total += st.size;
    }
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    zip_uint64_t done = 0;
    for (const TPick& pick : picks) {
        if (progress && !progress(total ? int(done * 100 / total) : 0)) {
            SetError(error, kZipErrorCancelled, QStringLiteral("Operation cancelled"));
            return -1;
        }
        QString relative = pick.name;
        relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (!ExtractOne(za.get(), pick.index, base + relative, error)) return -1;
        done += pick.size;
    }
    if (progress) progress(100);
    SetError(error, 0, QString());
    return int(picks.size());
}
