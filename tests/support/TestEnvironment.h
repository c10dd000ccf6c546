#pragma once

#include <QString>
#include <QtTest>

// What a suite needs of the machine. Outside CI a missing display or keyring skips the suite;
// under CI=true it fails it, so a green run always means the real thing was exercised.
namespace TestEnvironment {

bool runningUnderCi();
QString buildDirectory();

// Answers why the environment is unusable, or an empty text when it is fine.
QString x11Problem();
QString keyringProblem();

} // namespace TestEnvironment

// Use at the start of a test function (or initTestCase) that needs the thing named.
#define ZUV_REQUIRE_ENVIRONMENT(problem)                                                           \
    do {                                                                                           \
        const QString zuvProblem = (problem);                                                      \
        if (!zuvProblem.isEmpty()) {                                                               \
            if (TestEnvironment::runningUnderCi())                                                 \
                QFAIL(qPrintable(QStringLiteral("required under CI: ") + zuvProblem));             \
            QSKIP(qPrintable(zuvProblem));                                                         \
        }                                                                                          \
    } while (false)

#define ZUV_REQUIRE_X11() ZUV_REQUIRE_ENVIRONMENT(TestEnvironment::x11Problem())
#define ZUV_REQUIRE_KEYRING() ZUV_REQUIRE_ENVIRONMENT(TestEnvironment::keyringProblem())
