-- Reads of a host object's property in a counted loop, with an occasional
-- method call and property write.
--
-- The host object stands in for an object of the embedding program: an empty
-- proxy table whose metatable __index and __newindex functions look members up
-- by name on every access, as a late-bound host object does. It is a global,
-- as the engine's named objects are globals of every script.
local store = {Value = 7}
local methods = {
  Add = function(self, a, b) return a + b end,
}

HOST = setmetatable({}, {
  __index = function(_, name)
    if name == "Value" then return store.Value end
    local m = methods[name]
    if m == nil then error("object doesn't support this property or method: " .. tostring(name)) end
    return m
  end,
  __newindex = function(_, name, value)
    if name ~= "Value" then error("object doesn't support this property or method: " .. tostring(name)) end
    store.Value = value
  end,
})

local function main()
  local s = 0
  for i = 1, 6000000 do
    s = (s + HOST.Value + i) % 1000003
    if (i % 1000) == 0 then HOST.Value = HOST:Add(HOST.Value, 1) % 100 end
  end
  print(s .. " " .. HOST.Value)
end

main()
