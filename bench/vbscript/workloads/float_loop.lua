-- Floating-point arithmetic in a counted loop: add, multiply, divide and square
-- root. The checksum is the whole part of the sum times 1000.
local function main()
  local sqrt = math.sqrt
  local x = 0.0
  local s = 0.0
  for i = 1, 5000000 do
    x = x + 0.5
    s = s + x * 1.0001 / (i + 1.5) + sqrt(x)
  end
  print(math.floor(s * 1000))
end

main()
