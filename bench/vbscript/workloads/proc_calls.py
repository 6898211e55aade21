# Calls of a function and a procedure (three and two arguments) in a counted loop.
def mix(a, b, c):
    return (a + b * 2 + c) % 10007


calls = 0


def tally(a, b):
    global calls
    calls = calls + a - b


def main():
    global calls
    s = 0
    calls = 0
    for i in range(1, 3000000 + 1):
        s = mix(s, i, 3)
        tally(2, 1)
    print(s, calls)


main()
