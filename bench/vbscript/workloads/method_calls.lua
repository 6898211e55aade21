-- Method calls on an instance of a class (a table with a metatable of methods).
local Counter = {}
Counter.__index = Counter

function Counter.new()
  return setmetatable({total = 0}, Counter)
end

function Counter:add(v)
  self.total = (self.total + v) % 100003
end

function Counter:scaled(k)
  return (self.total * k) % 97
end

function Counter:getTotal()
  return self.total
end

local function main()
  local c = Counter.new()
  local s = 0
  for i = 1, 3000000 do
    c:add(i)
    s = (s + c:scaled(3)) % 1000003
  end
  print(s .. " " .. c:getTotal())
end

main()
