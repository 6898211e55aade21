# String building with a StringBuilder class: pieces go into a list that
# doubles when full, and to_string joins the used part.
class StringBuilder:
    def __init__(self):
        self.parts = [None] * 16
        self.count = 0

    def append(self, piece):
        if self.count >= len(self.parts):
            self.parts.extend([None] * len(self.parts))
        self.parts[self.count] = piece
        self.count = self.count + 1

    @property
    def length(self):
        return self.count

    def to_string(self):
        if self.count == 0:
            return ""
        del self.parts[self.count:]
        return "".join(self.parts)


def main():
    total = 0
    pieces = 0
    for r in range(1, 14000 + 1):
        sb = StringBuilder()
        for c in range(1, 100 + 1):
            sb.append("<td>")
            sb.append(str(r + c))
            sb.append("</td>")
        pieces = pieces + sb.length
        total = total + len(sb.to_string())
    print(total, pieces)


main()
