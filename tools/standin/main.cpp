// The stand-in HR service: the HR service's API over HTTPS on 127.0.0.1, with demo accounts and
// a control interface for tests. See README.md next to this file.

#include "RunCertificates.h"
#include "StandInServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <thread>

#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

struct Options
{
    std::string certificateFolder;
    int port = 0;
    bool verbose = false;
    bool exitWithParent = false;
};

void printUsage()
{
    std::fprintf(stderr, "usage: zuv-standin-hr --cert-dir FOLDER [--port N] [--verbose] "
                         "[--exit-with-parent]\n"
                         "  --cert-dir FOLDER    where this run's authority is written as ca.pem\n"
                         "  --port N             port on 127.0.0.1 (default 0: any free port)\n"
                         "  --verbose            one line per API request on stderr\n"
                         "  --exit-with-parent   stop when the process that started it ends\n");
}

bool parseOptions(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--cert-dir" && hasValue) {
            options.certificateFolder = argv[++i];
        } else if (argument == "--port" && hasValue) {
            char *end = nullptr;
            const long port = std::strtol(argv[++i], &end, 10);
            if (end == nullptr || *end != '\0' || port < 0 || port > 65535)
                return false;
            options.port = static_cast<int>(port);
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument == "--exit-with-parent") {
            options.exitWithParent = true;
        } else {
            return false;
        }
    }
    return !options.certificateFolder.empty();
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsage();
        return 2;
    }
    if (options.exitWithParent) {
        const pid_t parent = getppid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) // the parent ended before the request took effect
            return 0;
    }

    // A dropped connection must not end the process when TLS writes to the closed socket.
    std::signal(SIGPIPE, SIG_IGN);
    // SIGTERM and SIGINT are taken by one waiting thread; every other thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        const RunCertificates certificates;
        const std::string authorityPath = options.certificateFolder + "/ca.pem";
        certificates.writeAuthorityPem(authorityPath);

        StandInServer server(certificates);
        server.setVerbose(options.verbose);
        const int port = server.bind(options.port);
        if (port <= 0) {
            std::fprintf(stderr, "zuv-standin-hr: cannot listen on 127.0.0.1:%d\n", options.port);
            return 1;
        }

        std::thread signalWaiter([&server, stopSignals] {
            int received = 0;
            sigwait(&stopSignals, &received);
            server.stop();
        });

        std::printf("listening on https://127.0.0.1:%d/api/v1/\n", port);
        std::fflush(stdout);
        const bool served = server.serve();

        // serve() also returns when listening fails; wake the waiter so it can be joined.
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
        signalWaiter.join();
        return served ? 0 : 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "zuv-standin-hr: %s\n", error.what());
        return 1;
    }
}
