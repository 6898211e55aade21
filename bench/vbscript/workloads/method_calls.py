# Method and property calls on an instance of a class.
class Counter:
    def __init__(self):
        self._total = 0

    def add(self, v):
        self._total = (self._total + v) % 100003

    def scaled(self, k):
        return (self._total * k) % 97

    @property
    def total(self):
        return self._total


def main():
    c = Counter()
    s = 0
    for i in range(1, 3000000 + 1):
        c.add(i)
        s = (s + c.scaled(3)) % 1000003
    print(s, c.total)


main()
