/* The carried Quorvane program as one byte block in read-only data: int32 1, int32 N, N bytes.
   It deliberately starts off a 4-byte boundary: readers of byte blocks must not assume alignment. */
    .section .rdata,"dr"
    .p2align 4
    .byte 0
    .globl _PayloadImage
_PayloadImage:
    .long 1
    .long 2f - 1f
1:
    .incbin PAYLOAD_FILE
2:
