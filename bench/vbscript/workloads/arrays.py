# List work: fill, repeated passes that read and write neighbouring elements,
# an insertion sort, and a weighted sum.
def main():
    n = 20000
    a = [None] * n
    for i in range(0, n):
        a[i] = (i * 31) % 1009
    for p in range(1, 80 + 1):
        for i in range(1, len(a)):
            a[i] = (a[i] + a[i - 1] * 3) % 1000003
    m = 4000
    b = [None] * m
    for i in range(0, m):
        b[i] = a[i] % 10007
    for i in range(1, m):
        t = b[i]
        j = i - 1
        while j >= 0:
            if b[j] <= t:
                break
            b[j + 1] = b[j]
            j = j - 1
        b[j + 1] = t
    s = 0
    for i in range(0, m):
        s = (s + b[i] * (i + 1)) % 1000003
    print(s, len(a) - 1, b[0], b[m - 1])


main()
