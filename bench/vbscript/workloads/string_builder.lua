-- String building with a StringBuilder class: pieces go into a table (which
-- grows by doubling on its own), and toString concatenates the used part.
local StringBuilder = {}
StringBuilder.__index = StringBuilder

function StringBuilder.new()
  return setmetatable({parts = {}, count = 0}, StringBuilder)
end

function StringBuilder:append(piece)
  local n = self.count + 1
  self.parts[n] = piece
  self.count = n
end

function StringBuilder:length()
  return self.count
end

function StringBuilder:toString()
  return table.concat(self.parts, "", 1, self.count)
end

local function main()
  local total = 0
  local pieces = 0
  for r = 1, 14000 do
    local sb = StringBuilder.new()
    for c = 1, 100 do
      sb:append("<td>")
      sb:append(tostring(r + c))
      sb:append("</td>")
    end
    pieces = pieces + sb:length()
    total = total + #sb:toString()
  end
  print(total .. " " .. pieces)
end

main()
