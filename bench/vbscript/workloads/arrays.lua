-- Array work: fill, repeated passes that read and write neighbouring elements,
-- an insertion sort, and a weighted sum. Lua arrays start at 1, so element i of
-- the other versions is a[i + 1] here.
local function main()
  local n = 20000
  local a = {}
  for i = 0, n - 1 do
    a[i + 1] = (i * 31) % 1009
  end
  for p = 1, 80 do
    for i = 1, #a - 1 do
      a[i + 1] = (a[i + 1] + a[i] * 3) % 1000003
    end
  end
  local m = 4000
  local b = {}
  for i = 0, m - 1 do
    b[i + 1] = a[i + 1] % 10007
  end
  for i = 1, m - 1 do
    local t = b[i + 1]
    local j = i - 1
    while j >= 0 do
      if b[j + 1] <= t then break end
      b[j + 2] = b[j + 1]
      j = j - 1
    end
    b[j + 2] = t
  end
  local s = 0
  for i = 0, m - 1 do
    s = (s + b[i + 1] * (i + 1)) % 1000003
  end
  print(s .. " " .. (#a - 1) .. " " .. b[1] .. " " .. b[m])
end

main()
