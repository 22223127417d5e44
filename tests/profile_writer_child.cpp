// Writes one profile key, or writes it over and over (--loop) until killed; with
// --as-nobody it first becomes an ordinary user (when started as root).

#include "ProfileFile.h"

#include <QString>
#include <cstdio>
#include <cstring>
#include <grp.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    bool loop = false;
    for (int i = 5; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop") == 0)
            loop = true;
        if (std::strcmp(argv[i], "--as-nobody") == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString section = QString::fromLocal8Bit(argv[2]);
    const QString key = QString::fromLocal8Bit(argv[3]);
    const QString value = QString::fromLocal8Bit(argv[4]);
    do {
        const ProfileRefusal refusal = writeProfileString(file, section, key, value);
        if (refusal != ProfileRefusal::None) {
            std::fprintf(stderr, "refused: %u\n", unsigned(refusal));
            return 1;
        }
    } while (loop);
    return 0;
}
