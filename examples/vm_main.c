/* Runs (2 + 3) * 7 - 1 and 6 squared on the machine that vm.C generates. */
#include "vm.gen.h"

int main(void)
{
    const long sum[] = { OP_PUSH, 2, OP_PUSH, 3, OP_ADD, OP_PUSH, 7, OP_MUL,
                         OP_PUSH, 1, OP_SUB, OP_HALT };
    const long square[] = { OP_PUSH, 6, OP_DUP, OP_MUL, OP_HALT };
    printf("%ld %ld\n", vm_run(sum), vm_run(square));
    printf("%s is opcode %d\n", opcode_names[OP_MUL], OP_MUL);
    return 0;
}
