# A dict with string keys: adds, hits and misses with "in", item reads and
# updates, removals, len and a walk over the keys.
def main():
    n = 400000
    d = {}
    for i in range(1, n + 1):
        d["k" + str(i)] = i
    for i in range(1, 2 * n + 1):
        k = "k" + str((i * 7) % n + 1)
        if k in d:
            d[k] = d[k] + 1
    for i in range(1, n + 1, 3):
        del d["k" + str(i)]
    misses = 0
    for i in range(1, n + 1):
        if not ("k" + str(i)) in d:
            misses = misses + 1
    s = 0
    for k in d.keys():
        s = (s + d[k]) % 1000003
    print(len(d), misses, s)


main()
