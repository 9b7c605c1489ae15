// Runs a command under the personality rule of a container engine's default system-call policy:
// personality(2) takes only the values such policies let through (0, PER_LINUX32, UNAME26, the two
// together, and 0xffffffff, which only asks), and fails with EPERM for any other, such as turning
// address randomisation off. Every other call is let through, and everything the command starts
// inherits the rule. Built for the host, not for Windows: it puts the scripts where users run them.
//
//   container-policy COMMAND [ARGUMENT...]
#include <errno.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stddef.h>
#include <stdio.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

// Jump counts are the instructions to skip to reach the last one, which allows the call.
#define ALLOW_IF_ARGUMENT_IS(value, skip_to_allow) \
    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, (value), (skip_to_allow), 0)

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: %s COMMAND [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    struct sock_filter rule[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_personality, 0, 7),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(struct seccomp_data, args[0])),
        ALLOW_IF_ARGUMENT_IS(0x0, 5),
        ALLOW_IF_ARGUMENT_IS(0x8, 4),
        ALLOW_IF_ARGUMENT_IS(0x20000, 3),
        ALLOW_IF_ARGUMENT_IS(0x20008, 2),
        ALLOW_IF_ARGUMENT_IS(0xffffffff, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    struct sock_fprog program = {sizeof(rule) / sizeof(rule[0]), rule};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        perror("container-policy: installing the rule");
        return 1;
    }
    execvp(argv[1], argv + 1);
    perror("container-policy: starting the command");
    return 127;
}
