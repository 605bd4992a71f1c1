#pragma once

#include "testhome.h"

#include <QApplication>

// What each benchmark of the program starts from: a throw-away home with its data folder,
// and the application on the offscreen platform unless another one is asked for.
class BenchProgram
{
public:
    BenchProgram(int &argc, char **argv)
        : m_app((useOffscreen(), argc), argv)
    {}

    const TestHome &home() const { return m_home; }

private:
    static void useOffscreen()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    TestHome m_home;
    QApplication m_app;
};
