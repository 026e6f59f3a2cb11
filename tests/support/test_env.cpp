#include "support/test_env.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace testenv {

namespace {
std::unique_ptr<QTemporaryDir>& root() {
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}
}  // namespace

void isolate() {
    root() = std::make_unique<QTemporaryDir>();
    QDir(root()->path()).mkpath(QStringLiteral("home"));
    QDir(root()->path()).mkpath(QStringLiteral("xdg"));
    qputenv("XDG_STATE_HOME", (root()->path() + QStringLiteral("/state")).toUtf8());
    qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
    qputenv("XDG_CONFIG_DIRS", configDir().toUtf8());
}

QString configHome() { return root()->path() + QStringLiteral("/home"); }
QString configDir() { return root()->path() + QStringLiteral("/xdg"); }

}  // namespace testenv
