// Opens the serial port at the path given as a program that uses it does,
// exclusively (no one but root may open it as well), says "held" and keeps
// it until it is ended.
#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PORT\n", argv[0]);
        return 2;
    }
    const int fd = open(argv[1], O_RDWR | O_NOCTTY);
    if (fd < 0 || ioctl(fd, TIOCEXCL) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    for (;;)
        pause();
}
