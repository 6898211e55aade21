-- String building with "..": table cells appended to a growing buffer, which is
-- emptied every 250 cells (so copying stays bounded).
local function main()
  local buf = ""
  local total = 0
  for i = 1, 1200000 do
    buf = buf .. "<td>" .. i .. "</td>"
    if i % 250 == 0 then
      total = total + #buf
      buf = ""
    end
  end
  total = total + #buf
  print(total)
end

main()
