// Every file of tests/regressions goes through the check of the fuzz target
// its folder names (tools/fuzz/checks.h): inputs that once crashed, hung or
// changed in a round trip, found by fuzzing or by hand, stay fixed.
#include "checks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {

struct Target {
    const char* folder;
    std::function<std::string(std::string_view)> check;
};

class RegressionCorpus : public ::testing::TestWithParam<Target> {};

TEST_P(RegressionCorpus, EveryFilePassesItsCheck) {
    const QDir folder(QStringLiteral(SCRIVLET_REGRESSIONS_DIR "/") + QLatin1String(GetParam().folder));
    const QStringList files = folder.entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << "no regression files in " << folder.path().toStdString();
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(GetParam().check(std::string_view(bytes.constData(), std::size_t(bytes.size()))), "")
            << GetParam().folder << "/" << name.toStdString();
    }
}

std::string controlCheck(std::string_view bytes) {
    const QTemporaryDir scratch;
    return fuzzcheck::control(bytes, scratch.path());
}

INSTANTIATE_TEST_SUITE_P(Targets, RegressionCorpus,
                         ::testing::Values(Target{"rtfreader", fuzzcheck::rtfReader},
                                           Target{"rtfroundtrip", fuzzcheck::rtfRoundTrip},
                                           Target{"plaintext", fuzzcheck::plainText}, Target{"hive", fuzzcheck::hive},
                                           Target{"control", controlCheck}),
                         [](const auto& info) { return std::string(info.param.folder); });

}  // namespace
