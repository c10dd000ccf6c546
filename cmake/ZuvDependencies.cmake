# Every third-party dependency of the project, found once here.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Concurrent Network DBus Gui Widgets Qml Quick Svg Test
    QuickTest)
find_package(QCoro6 REQUIRED COMPONENTS Core Network)
find_package(Qt6Keychain REQUIRED)
find_package(Threads REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(X11LIBS REQUIRED IMPORTED_TARGET x11 xext xi xrandr xscrnsaver xtst)
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
# The floors the capture is measured against, and the reference its encoder is checked with.
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
pkg_check_modules(OPENSSL REQUIRED IMPORTED_TARGET openssl)
find_package(nlohmann_json REQUIRED)

qcoro_enable_coroutines()
