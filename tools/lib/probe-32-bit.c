/* Says which 32-bit x86 code this machine runs, by trying, and prints one
 * word (tools/lib/machine.sh, probe_machine):
 *
 *   programs  32-bit Linux programs run: Wine 8 can, and so can WoW64.
 *   code      no 32-bit Linux program runs, but a 64-bit process can switch
 *             to the 32-bit code segment (selector 0x23) and back, which is
 *             all WoW64 needs: a kernel started with ia32_emulation=off.
 *   none      not even that: some virtual machines' hosts run 64-bit user
 *             code only, and there the far jump to 0x23 itself faults.
 *
 * Each try runs in a child of its own, so a fault ends the child only.
 * Built and run by the shell on x86-64 Linux with the host's C compiler.
 */
#define _GNU_SOURCE
#include <elf.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

enum { kProgramExit = 42 };

/* Whether a 32-bit Linux program runs: a static ELF of one segment that
 * calls exit(42) through int 0x80, executed from memory. */
static int runs_32_bit_programs(void) {
    static const unsigned char code[] = {
        0xb8, 0x01, 0x00, 0x00, 0x00,       /* mov eax, 1 (exit) */
        0xbb, kProgramExit, 0x00, 0x00, 0x00, /* mov ebx, 42 */
        0xcd, 0x80,                         /* int 0x80 */
    };
    struct program {
        Elf32_Ehdr ehdr;
        Elf32_Phdr phdr;
        unsigned char code[sizeof code];
    } image;
    const Elf32_Addr base = 0x08048000;
    memset(&image, 0, sizeof image);
    memcpy(image.ehdr.e_ident, ELFMAG, SELFMAG);
    image.ehdr.e_ident[EI_CLASS] = ELFCLASS32;
    image.ehdr.e_ident[EI_DATA] = ELFDATA2LSB;
    image.ehdr.e_ident[EI_VERSION] = EV_CURRENT;
    image.ehdr.e_type = ET_EXEC;
    image.ehdr.e_machine = EM_386;
    image.ehdr.e_version = EV_CURRENT;
    image.ehdr.e_entry = base + offsetof(struct program, code);
    image.ehdr.e_phoff = offsetof(struct program, phdr);
    image.ehdr.e_ehsize = sizeof image.ehdr;
    image.ehdr.e_phentsize = sizeof image.phdr;
    image.ehdr.e_phnum = 1;
    image.phdr.p_type = PT_LOAD;
    image.phdr.p_vaddr = image.phdr.p_paddr = base;
    image.phdr.p_filesz = image.phdr.p_memsz = sizeof image;
    image.phdr.p_flags = PF_R | PF_X;
    image.phdr.p_align = 0x1000;
    memcpy(image.code, code, sizeof code);

    int fd = memfd_create("probe-32-bit", MFD_CLOEXEC);
    if (fd < 0 || write(fd, &image, sizeof image) != (ssize_t)sizeof image) return 0;
    pid_t child = fork();
    if (child == 0) {
        char* const argv[] = {"probe-32-bit", NULL};
        char* const envp[] = {NULL};
        fexecve(fd, argv, envp);
        _exit(1); /* ENOEXEC: the kernel takes no 32-bit programs */
    }
    close(fd);
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == kProgramExit;
}

/* Whether a 64-bit process can run 32-bit code: a far return to the 32-bit
 * user code segment (0x23), whose code far-returns to the 64-bit one
 * (0x33), which exits with 0. Code and stack lie below 2 GiB, where 32-bit
 * code can address them. */
static int runs_32_bit_code(void) {
    unsigned char* page = mmap(NULL, 0x2000, PROT_READ | PROT_WRITE | PROT_EXEC,
                               MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (page == MAP_FAILED) return 0;
    unsigned int at = (unsigned int)(unsigned long)page;
    unsigned int code32 = at + 0x100, back64 = at + 0x200, stack = at + 0x1ff0;
    unsigned char* p = page;
    *p++ = 0xbc; memcpy(p, &stack, 4); p += 4;   /* mov esp, stack */
    *p++ = 0x6a; *p++ = 0x23;                    /* push 0x23 */
    *p++ = 0x68; memcpy(p, &code32, 4); p += 4;  /* push code32 */
    *p++ = 0x48; *p++ = 0xcb;                    /* retfq */
    p = page + 0x100;                            /* 32-bit: */
    *p++ = 0x6a; *p++ = 0x33;                    /* push 0x33 */
    *p++ = 0x68; memcpy(p, &back64, 4); p += 4;  /* push back64 */
    *p++ = 0xcb;                                 /* retf */
    static const unsigned char exit0[] = {
        0xb8, 60, 0, 0, 0, /* mov eax, 60 (exit) */
        0x31, 0xff,        /* xor edi, edi */
        0x0f, 0x05,        /* syscall */
    };
    memcpy(page + 0x200, exit0, sizeof exit0);
    pid_t child = fork();
    if (child == 0) {
        ((void (*)(void))page)();
        _exit(1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

int main(void) {
    puts(runs_32_bit_programs() ? "programs" : runs_32_bit_code() ? "code" : "none");
    return 0;
}
