-- Calls of a function and a procedure (three and two arguments) in a counted loop.
local function mix(a, b, c)
  return (a + b * 2 + c) % 10007
end

local calls = 0

local function tally(a, b)
  calls = calls + a - b
end

local function main()
  local s = 0
  calls = 0
  for i = 1, 3000000 do
    s = mix(s, i, 3)
    tally(2, 1)
  end
  print(s .. " " .. calls)
end

main()
