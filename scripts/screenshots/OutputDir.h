#pragma once

// The screenshot programs' one argument: the folder the pictures go to.

#include <QDir>

#include <cstdio>

// Sets `out` to the folder named on the command line, made when missing; 0 then, otherwise
// the exit status after a message (2: no folder named, 1: it cannot be made).
inline int OutputDir(int argc, char** argv, QDir& out) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    out = QDir(QString::fromLocal8Bit(argv[1]));
    if (!out.exists() && !QDir().mkpath(out.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    return 0;
}
