#pragma once

#include <QTemporaryDir>
#include <QtTest>

// Points HOME and the XDG folders at a throw-away folder. Must exist before
// the first settings object or standard-path lookup of the process.
class TestHome
{
public:
    TestHome();
    QString path() const { return m_dir.path(); }
    QString configHome() const;
    QString dataHome() const;

private:
    QTemporaryDir m_dir;
};

// The body of a test's main(): its own temporary home, the application, the tests.
#define ZR_TEST_RUN(TestClass)                                                                     \
    TestHome home;                                                                                 \
    QApplication app(argc, argv);                                                                  \
    app.setAttribute(Qt::AA_Use96Dpi, true);                                                       \
    TestClass tc;                                                                                  \
    QTEST_SET_MAIN_SOURCE_PATH                                                                     \
    return QTest::qExec(&tc, argc, argv);

// Like QTEST_MAIN, but every test process runs with its own temporary home.
#define ZR_TEST_MAIN(TestClass)                                                                    \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        ZR_TEST_RUN(TestClass)                                                                     \
    }
