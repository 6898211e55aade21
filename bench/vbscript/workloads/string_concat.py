# String building with "+": table cells appended to a growing buffer, which is
# emptied every 250 cells (so copying stays bounded).
def main():
    buf = ""
    total = 0
    for i in range(1, 1200000 + 1):
        buf = buf + "<td>" + str(i) + "</td>"
        if i % 250 == 0:
            total = total + len(buf)
            buf = ""
    total = total + len(buf)
    print(total)


main()
