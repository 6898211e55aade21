-- Runs one Lua workload and reports the process CPU time spent loading and
-- running it, the same measure bench_vbscript and harness.py report.
local path = arg[1]
if not path then
  io.stderr:write("usage: lua5.4 harness.lua <workload.lua>\n")
  os.exit(2)
end
local start = os.clock()
local chunk = assert(loadfile(path))
chunk()
io.stdout:write(string.format("elapsed_ms: %.1f\n", (os.clock() - start) * 1000))
