#pragma once

#include <QDir>
#include <QString>

// Pictures that tests take of windows and controls go to artifacts/ under the build folder, where
// a developer can look at them after a run.
inline QString ArtifactPath(const QString& name) {
    const QString build = qEnvironmentVariable("VN_BUILD_DIR", QDir::currentPath());
    QDir(build).mkpath(QStringLiteral("artifacts"));
    return build + QStringLiteral("/artifacts/") + name;
}
