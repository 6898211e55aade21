# Floating-point arithmetic in a counted loop: add, multiply, divide and square
# root. The checksum is the whole part of the sum times 1000.
import math


def main():
    x = 0.0
    s = 0.0
    for i in range(1, 5000000 + 1):
        x = x + 0.5
        s = s + x * 1.0001 / (i + 1.5) + math.sqrt(x)
    print(int(s * 1000))


main()
