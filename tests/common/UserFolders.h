#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QList>
#include <QString>
#include <utility>

// Environment variables set for as long as this lives, then put back as they were (unset ones
// unset again).
class TScopedEnv {
public:
    TScopedEnv() = default;
    ~TScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.constData());
            else
                qputenv(name.constData(), value);
        }
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

    void Set(const char* name, const QString& value) {
        Keep(name);
        qputenv(name, QFile::encodeName(value));
    }
    void Unset(const char* name) {
        Keep(name);
        qunsetenv(name);
    }

private:
    void Keep(const char* name) {
        for (const auto& kept : saved_)
            if (kept.first == name) return;
        saved_.append({QByteArray(name), qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray()});
    }
    QList<std::pair<QByteArray, QByteArray>> saved_;
};

// The user's configuration and data folders moved into a test's folder ("home/.config",
// "home/.local/share"), under the name the program gives them, so that no test writes into the
// home of whoever runs it.
class TUserFoldersIn {
public:
    explicit TUserFoldersIn(const QString& folder) : home_(folder + "home/") {
        env_.Set("XDG_CONFIG_HOME", home_ + ".config");
        env_.Set("XDG_DATA_HOME", home_ + ".local/share");
        savedName_ = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName("Varnobis");
    }
    ~TUserFoldersIn() { QCoreApplication::setApplicationName(savedName_); }

    QString Config() const { return home_ + ".config/Varnobis/"; }
    QString Data() const { return home_ + ".local/share/Varnobis/"; }

private:
    QString home_;
    TScopedEnv env_;
    QString savedName_;
};
