// vellum-batch: the raster engine from the command line.
#include <cstdio>

#include <QStringList>
#include <QTextStream>

#include "BatchCommand.h"

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return vellum::batch::RunBatch(arguments, out, err);
}
