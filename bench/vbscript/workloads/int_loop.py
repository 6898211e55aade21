# Integer arithmetic in a counted loop: multiply, integer division, modulo,
# and and xor, with values that stay well inside 32 bits.
def main():
    s = 0
    for i in range(1, 5000000 + 1):
        s = (s + i * 7 + (i // 3)) % 1000003
        if (i & 1) == 0:
            s = s ^ (i & 255)
    print(s)


main()
