-- Integer arithmetic in a counted loop: multiply, integer division, modulo,
-- and and xor, with values that stay well inside 32 bits.
local function main()
  local s = 0
  for i = 1, 5000000 do
    s = (s + i * 7 + (i // 3)) % 1000003
    if (i & 1) == 0 then s = s ~ (i & 255) end
  end
  print(s)
end

main()
