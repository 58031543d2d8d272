-- SPDX-License-Identifier: MIT
-- Wireshark dissector for the status datagrams of DuzUdozuze and the
-- workstations of an alarm system: six fields joined by colons,
-- "code:system:alarmsystem:workstation:channel:health", Latin-1, on UDP port
-- 9208 (Edit > Preferences > Protocols > DUZUDOZUZE changes it), and on any
-- other UDP port when the payload reads as one.
--   tshark -X lua_script:duzudozuze.lua -r capture -T fields -e duzudozuze.code

local duzudozuze = Proto("duzudozuze", "DuzUdozuze status datagram")

local codes = {
    NA = "announces mastership",
    NU = "an unhealthy master",
    NO = "a master's answer: go slave",
    NC = "go master",
}
local healthWords = { OK = true, Fail = true }
-- Receivers read at most this much, and act on nothing longer.
local maxLength = 255

local fields = duzudozuze.fields
fields.code = ProtoField.string("duzudozuze.code", "Message code")
fields.system = ProtoField.string("duzudozuze.system", "System")
fields.alarm_system = ProtoField.string("duzudozuze.alarm_system", "Alarm system")
fields.workstation = ProtoField.int32("duzudozuze.workstation", "Workstation")
fields.channel = ProtoField.int32("duzudozuze.channel", "Channel")
fields.health = ProtoField.string("duzudozuze.health", "Health word")

local notCurrentFormat = ProtoExpert.new("duzudozuze.not_current_format",
    "Not current format: not exactly six non-empty fields",
    expert.group.MALFORMED, expert.severity.WARN)
local tooLong = ProtoExpert.new("duzudozuze.too_long",
    "Longer than 255 bytes: receivers quote the first 255 and act on nothing",
    expert.group.MALFORMED, expert.severity.WARN)
local unknownCode = ProtoExpert.new("duzudozuze.unknown_code",
    "Unknown message code", expert.group.PROTOCOL, expert.severity.WARN)
local unknownHealth = ProtoExpert.new("duzudozuze.unknown_health",
    "Unknown health word: only OK counts as healthy", expert.group.PROTOCOL,
    expert.severity.WARN)
local truncated = ProtoExpert.new("duzudozuze.truncated",
    "Truncated in the capture: its fields past the cut are unknown",
    expert.group.MALFORMED, expert.severity.WARN)
duzudozuze.experts = { notCurrentFormat, tooLong, unknownCode, unknownHealth, truncated }

duzudozuze.prefs.port = Pref.uint("UDP port", 9208, "The UDP port the status datagrams use")

-- Text from the network as the program's log shows it: control bytes (C0,
-- DEL and C1) as \r, \n, \t or \xNN, so that it can neither forge a line nor
-- reach a terminal as an escape sequence; the rest Latin-1, as UTF-8.
local function shown(text)
    local safe = text:gsub("[\0-\31\127-\159]", function(c)
        local byte = c:byte()
        if byte == 13 then return "\\r" end
        if byte == 10 then return "\\n" end
        if byte == 9 then return "\\t" end
        return string.format("\\x%02X", byte)
    end)
    return (safe:gsub("[\160-\255]", function(c)
        local byte = c:byte()
        return string.char(192 + math.floor(byte / 64), 128 + byte % 64)
    end))
end

-- A number as the receivers read it: decimal, else 0.
local function number(text)
    local value = tonumber(text:match("^%s*([+-]?%d+)%s*$") or "")
    if value == nil or value < -2147483648 or value > 2147483647 then
        return 0
    end
    return value
end

function duzudozuze.dissector(buffer, pinfo, tree)
    -- The datagram's own length; a capture cut short (tcpdump -s) holds less.
    local length = buffer:reported_len()
    local captured = buffer:len()
    pinfo.cols.protocol = "DUZUDOZUZE"
    local root = tree:add(duzudozuze, buffer(), "DuzUdozuze status datagram")
    -- The text is what precedes the first zero byte, of what is read.
    local text = captured > 0 and buffer:raw(0, math.min(captured, maxLength)) or ""
    local zero = text:find("\0", 1, true)
    if zero then
        text = text:sub(1, zero - 1)
    end
    -- Split at every colon, dropping the empty pieces, as the receivers do.
    local pieces = {}
    local position = 1
    while position <= #text do
        local colon = text:find(":", position, true) or (#text + 1)
        if colon > position then
            pieces[#pieces + 1] = { offset = position - 1, length = colon - position }
        end
        position = colon + 1
    end

    if length > maxLength then
        root:add_proto_expert_info(tooLong)
    elseif captured < length then
        root:add_proto_expert_info(truncated)
        pinfo.cols.info = string.format("Truncated, %d of %d bytes captured", captured, length)
        return captured
    end
    if length > maxLength or #pieces ~= 6 then
        root:add_proto_expert_info(notCurrentFormat)
        pinfo.cols.info = string.format("Not current format, %d bytes", length)
        return captured
    end

    local values = {}
    for index, piece in ipairs(pieces) do
        values[index] = shown(buffer(piece.offset, piece.length):raw())
    end
    local function range(index)
        return buffer(pieces[index].offset, pieces[index].length)
    end
    -- Texts as shown above; numbers as the receivers read them.
    local function add(field, index, value)
        return root:add(field, range(index), value or values[index])
    end
    local codeItem = add(fields.code, 1)
    if codes[values[1]] then
        codeItem:append_text(" (" .. codes[values[1]] .. ")")
    else
        codeItem:add_proto_expert_info(unknownCode)
    end
    add(fields.system, 2)
    add(fields.alarm_system, 3)
    local workstation = number(values[4])
    local channel = number(values[5])
    add(fields.workstation, 4, workstation)
    add(fields.channel, 5, channel)
    local healthItem = add(fields.health, 6)
    if not healthWords[values[6]] then
        healthItem:add_proto_expert_info(unknownHealth)
    end
    pinfo.cols.info = string.format("%s %s/%s ws %d ch %d %s", values[1], values[2], values[3],
        workstation, channel, values[6])
    root:append_text(string.format(": %s %s/%s ws %d ch %d %s", values[1], values[2], values[3],
        workstation, channel, values[6]))
    return captured
end

local udpPorts = DissectorTable.get("udp.port")
local registeredPort = duzudozuze.prefs.port
udpPorts:add(registeredPort, duzudozuze)

function duzudozuze.prefs_changed()
    if duzudozuze.prefs.port ~= registeredPort then
        udpPorts:remove(registeredPort, duzudozuze)
        registeredPort = duzudozuze.prefs.port
        udpPorts:add(registeredPort, duzudozuze)
    end
end

-- On any other UDP port: a payload that reads as a status datagram (at most
-- 255 bytes, six non-empty fields, a known code, the workstation and channel
-- as numbers) is taken for one; anything else is left alone.
local function heuristic(buffer, pinfo, tree)
    local length = buffer:len()
    if length == 0 or length > maxLength or length < buffer:reported_len() then
        return false
    end
    local pieces = {}
    for piece in buffer:raw():gmatch("[^:]+") do
        pieces[#pieces + 1] = piece
    end
    if #pieces ~= 6 or not codes[pieces[1]] or not pieces[4]:match("^[+-]?%d+$")
        or not pieces[5]:match("^[+-]?%d+$") or pieces[6]:find("[%z\1-\31]") then
        return false
    end
    duzudozuze.dissector(buffer, pinfo, tree)
    return true
end
duzudozuze:register_heuristic("udp", heuristic)
