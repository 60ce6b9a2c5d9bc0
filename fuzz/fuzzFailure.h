#pragma once

#include <QString>

#include <cstdio>
#include <cstdlib>

// Ends the fuzz run on a problem, so that libFuzzer keeps the input that caused it.
inline void abortOnProblem(const QString& problem)
{
    if (problem.isEmpty())
        return;
    std::fprintf(stderr, "%s\n", problem.toUtf8().constData());
    std::abort();
}
