# Reads of a host object's property in a counted loop, with an occasional
# method call and property write.
#
# The host object stands in for an object of the embedding program: Value is a
# __slots__ member, read and written through a descriptor implemented in C (the
# nearest Python has to a native property); Add is an ordinary method. It is a
# module global, as the engine's named objects are globals of every script.
class Host:
    __slots__ = ("Value",)

    def __init__(self):
        self.Value = 7

    def Add(self, a, b):
        return a + b


HOST = Host()


def main():
    s = 0
    for i in range(1, 6000000 + 1):
        s = (s + HOST.Value + i) % 1000003
        if (i % 1000) == 0:
            HOST.Value = HOST.Add(HOST.Value, 1) % 100
    print(s, HOST.Value)


main()
