// An empty Qt Quick window: a QQuickView holding a plain Rectangle, set up as the application's
// process is. The day benchmark runs it under the same display and the same synthetic input as
// the application, and sets the application's CPU against it.
//
//   zuv_bench_window_floor shown|hidden rounds milliseconds-per-round x y width height
//
// Shows the window at the given place; for "hidden" closes it again, as the day closes the main
// window for its tray phase. Then prints "ready" and one line per round:
// "round <wall seconds> <CPU seconds>", the CPU of this process (user and system, every thread).

#include "app/shell/ApplicationAssembly.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlComponent>
#include <QQuickView>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <memory>

namespace {

double cpuSecondsSoFar()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &value) {
        return double(value.tv_sec) + double(value.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Arguments
{
    bool shown = true;
    int rounds = 0;
    int roundMs = 0;
    QRect geometry;
};

std::optional<Arguments> parseArguments(const QStringList &arguments)
{
    if (arguments.size() != 8 ||
        (arguments.at(1) != QStringLiteral("shown") && arguments.at(1) != QStringLiteral("hidden")))
        return std::nullopt;
    QList<int> numbers;
    for (qsizetype index = 2; index < arguments.size(); ++index) {
        bool ok = false;
        numbers.append(arguments.at(index).toInt(&ok));
        if (!ok)
            return std::nullopt;
    }
    Arguments parsed{arguments.at(1) == QStringLiteral("shown"), numbers.at(0), numbers.at(1),
                     QRect(numbers.at(2), numbers.at(3), numbers.at(4), numbers.at(5))};
    if (parsed.rounds < 1 || parsed.roundMs < 1 || !parsed.geometry.isValid())
        return std::nullopt;
    return parsed;
}

std::unique_ptr<QQuickView> showEmptyWindow(const QRect &geometry)
{
    auto view = std::make_unique<QQuickView>();
    view->setResizeMode(QQuickView::SizeRootObjectToView);
    auto *component = new QQmlComponent(view->engine(), view.get());
    component->setData("import QtQuick\nRectangle { color: \"#f6f6f6\" }\n", QUrl());
    view->setContent(QUrl(), component, component->create());
    view->setGeometry(geometry);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        return nullptr;
    return view;
}

} // namespace

int main(int argc, char *argv[])
{
    ApplicationAssembly::prepareProcessBeforeApplication();
    QApplication app(argc, argv);
    ApplicationAssembly::prepareProcess();
    const std::optional<Arguments> arguments = parseArguments(QCoreApplication::arguments());
    if (!arguments) {
        std::fprintf(stderr,
                     "Usage: %s shown|hidden rounds milliseconds-per-round x y width height\n",
                     argv[0]);
        return 2;
    }
    const std::unique_ptr<QQuickView> view = showEmptyWindow(arguments->geometry);
    if (!view) {
        std::fprintf(stderr, "The empty window was not shown\n");
        return 1;
    }
    if (!arguments->shown) {
        view->close();
        if (!QTest::qWaitFor([&view] { return !view->isVisible(); }))
            return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (int round = 0; round < arguments->rounds; ++round) {
        QElapsedTimer wall;
        const double cpuBefore = cpuSecondsSoFar();
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(arguments->roundMs, &loop, &QEventLoop::quit);
        loop.exec();
        std::printf("round %.3f %.4f\n", double(wall.elapsed()) / 1000.0,
                    cpuSecondsSoFar() - cpuBefore);
        std::fflush(stdout);
    }
    return 0;
}
