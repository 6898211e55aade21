-- A table with string keys: adds, hits and misses, item reads and updates,
-- removals, a count and a walk over the keys (Lua tables keep no count, so the
-- walk counts the keys as it goes).
local function main()
  local n = 400000
  local d = {}
  for i = 1, n do
    d["k" .. i] = i
  end
  for i = 1, 2 * n do
    local k = "k" .. ((i * 7) % n + 1)
    if d[k] ~= nil then d[k] = d[k] + 1 end
  end
  for i = 1, n, 3 do
    d["k" .. i] = nil
  end
  local misses = 0
  for i = 1, n do
    if d["k" .. i] == nil then misses = misses + 1 end
  end
  local s, count = 0, 0
  for k in pairs(d) do
    s = (s + d[k]) % 1000003
    count = count + 1
  end
  print(count .. " " .. misses .. " " .. s)
end

main()
