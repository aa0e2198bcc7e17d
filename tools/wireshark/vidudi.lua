-- Wireshark / tshark dissector for the protocol of the Norvane network-storage adapters:
-- UDP port 13579, multicast group 224.0.0.1. Wireshark 4.0 or later.
--
--   Wireshark: copy this file into the personal plugins folder
--              (~/.local/lib/wireshark/plugins, or %APPDATA%\Wireshark\plugins on Windows)
--   tshark:    tshark -X lua_script:vidudi.lua -r capture.pcapng
--
-- Every field is read only when the datagram holds it: a datagram shorter than its layout, a
-- counted length past the end or a text field without NUL gets an expert warning, and its
-- fields are cut at the end of the data. Requests and replies are paired by tag and op.

local vidudi = Proto("vidudi", "Norvane Vidudi adapter protocol")

-- The layout: offsets from the start of the datagram.
local OP = 0
local TAG, TAG_SIZE, TAG_COMPARED = 1, 10, 6
local DEVICE_ID, DEVICE_ID_SIZE, IDENTITY_SIZE = 11, 10, 6
local ADDRESS = 17
local SUBOP = 21                 -- requests; in discovery replies the DHCP state
local TEXT_FIELD_SIZE = 16
local NETMASK, GATEWAY = 24, 40  -- setting requests and discovery replies
local QUERY_LENGTH, QUERY_PAYLOAD, QUERY_RESULT = 24, 28, 28
local SETTING_LENGTH, SETTING_PAYLOAD = 56, 60
local HOST_NAME_LENGTH, HOST_NAME = 56, 60
local TYPE_CODE1, TYPE_CODE2 = 56, 57
local EXTENDED_HOST_NAME_LENGTH, EXTENDED_HOST_NAME = 68, 72
local REPLY_HEADER = 21          -- op, tag and device id: all a setting reply has

local OP_DISCOVERY, OP_DISCOVERY_REPLY, OP_QUERY, OP_QUERY_REPLY = 1, 2, 3, 4
local OP_SETTING, OP_SETTING_REPLY, OP_DISCOVERY_REPLY_EXTENDED = 5, 6, 7

local op_names = {
    [1] = "Discovery request",
    [2] = "Discovery reply",
    [3] = "Query",
    [4] = "Query reply",
    [5] = "Setting",
    [6] = "Setting reply",
    [7] = "Discovery reply, extended",
}

local QUERY_SHARE_LIST, QUERY_PASSWORD, QUERY_WORK_GROUP = 3, 4, 6
local query_names = {
    [QUERY_SHARE_LIST] = "share list",
    [QUERY_PASSWORD] = "password check",
    [QUERY_WORK_GROUP] = "work group",
}

local SET_STATIC, SET_DHCP, SET_HOST_NAME, SET_WORK_GROUP = 1, 2, 5, 7
local setting_names = {
    [SET_STATIC] = "static address",
    [SET_DHCP] = "DHCP",
    [SET_HOST_NAME] = "host name",
    [SET_WORK_GROUP] = "work group",
}

-- The request op that a reply op answers.
local request_op_of = {
    [OP_DISCOVERY_REPLY] = OP_DISCOVERY,
    [OP_DISCOVERY_REPLY_EXTENDED] = OP_DISCOVERY,
    [OP_QUERY_REPLY] = OP_QUERY,
    [OP_SETTING_REPLY] = OP_SETTING,
}

local f = {
    op = ProtoField.uint8("vidudi.op", "Op", base.DEC, op_names),
    tag = ProtoField.bytes("vidudi.tag", "Client tag"),
    device_id = ProtoField.bytes("vidudi.device_id", "Device id"),
    identity = ProtoField.bytes("vidudi.identity", "Identity"),
    device_address = ProtoField.ipv4("vidudi.device_address", "Device address"),
    subop = ProtoField.uint8("vidudi.subop", "Sub-op", base.DEC),
    dhcp = ProtoField.uint8("vidudi.dhcp", "DHCP state", base.HEX),
    netmask = ProtoField.string("vidudi.netmask", "Netmask"),
    gateway = ProtoField.string("vidudi.gateway", "Gateway"),
    host_name_length = ProtoField.uint32("vidudi.host_name_length", "Host name length", base.DEC),
    host_name = ProtoField.string("vidudi.host_name", "Host name", base.UNICODE),
    type_code1 = ProtoField.uint8("vidudi.type_code1", "Type code 1", base.DEC),
    type_code2 = ProtoField.uint8("vidudi.type_code2", "Type code 2", base.DEC),
    payload_length = ProtoField.uint32("vidudi.payload_length", "Payload length", base.DEC),
    payload = ProtoField.bytes("vidudi.payload", "Payload"),
    user = ProtoField.string("vidudi.user", "User", base.UNICODE),
    password = ProtoField.string("vidudi.password", "Password", base.UNICODE),
    new_address = ProtoField.string("vidudi.new_address", "New address"),
    new_host_name = ProtoField.string("vidudi.new_host_name", "New host name", base.UNICODE),
    new_work_group = ProtoField.string("vidudi.new_work_group", "New work group", base.UNICODE),
    result = ProtoField.string("vidudi.result", "Result", base.UNICODE),
    verdict = ProtoField.uint8("vidudi.verdict", "Verdict", base.HEX),
    shares = ProtoField.string("vidudi.shares", "Share", base.UNICODE),
    response_in = ProtoField.framenum("vidudi.response_in", "Response in", base.NONE, frametype.RESPONSE),
    response_to = ProtoField.framenum("vidudi.response_to", "Response to", base.NONE, frametype.REQUEST),
    time = ProtoField.relative_time("vidudi.time", "Time since request"),
}
-- Wireshark wants the fields and expert items as lists; the tables above are the one place they are named.
local function values(t)
    local list = {}
    for _, v in pairs(t) do list[#list + 1] = v end
    return list
end
vidudi.fields = values(f)

local e = {
    short = ProtoExpert.new("vidudi.short", "Datagram shorter than its layout",
                            expert.group.MALFORMED, expert.severity.WARN),
    beyond_end = ProtoExpert.new("vidudi.length_beyond_end", "Counted length runs past the end of the datagram",
                                 expert.group.MALFORMED, expert.severity.WARN),
    no_nul = ProtoExpert.new("vidudi.no_nul", "Text field without NUL",
                             expert.group.MALFORMED, expert.severity.WARN),
    no_separator = ProtoExpert.new("vidudi.no_separator", "Password payload without the 0x55 0xAA separator",
                                   expert.group.MALFORMED, expert.severity.WARN),
    trailing = ProtoExpert.new("vidudi.trailing", "Bytes after the end of the layout",
                               expert.group.PROTOCOL, expert.severity.NOTE),
    unknown = ProtoExpert.new("vidudi.unknown", "Unknown op or sub-op",
                              expert.group.UNDECODED, expert.severity.NOTE),
}
vidudi.experts = values(e)

-- Pairing state. On the first pass each request is remembered under its tag and op (the last
-- one wins, as a client matches a reply only against its latest request), and each reply
-- is tied to it. Later passes read the ties only, so the result does not depend on the order
-- in which the user clicks frames.
local latest_request  -- key -> request record
local frames          -- frame number -> request record (requests) or reply record (replies)

local function forget_pairs()
    latest_request = {}
    frames = {}
end
forget_pairs()
vidudi.init = forget_pairs  -- a new capture file, or the same one read again

-- Seconds since the epoch come as a double, good to about half a microsecond today: the time
-- from request to reply is given in whole microseconds.
local function time_between(from, to)
    local micros = math.floor((to - from) * 1e6 + 0.5)
    local seconds = math.floor(micros / 1e6)
    return NSTime.new(seconds, (micros - seconds * 1e6) * 1000)
end

-- Replies are taken as ours on the first six tag bytes; the pairing key uses the same.
local function pairing_key(tvb, op)
    return tvb:raw(TAG, TAG_COMPARED) .. string.char(op)
end

local function pair(tvb, pinfo, op)
    if not pinfo.visited and tvb:len() >= TAG + TAG_COMPARED then
        local now = pinfo.abs_ts
        if request_op_of[op] == nil and op_names[op] ~= nil then
            local subop = tvb:len() > SUBOP and tvb(SUBOP, 1):uint() or nil
            local request = { frame = pinfo.number, time = now, subop = subop }
            latest_request[pairing_key(tvb, op)] = request
            frames[pinfo.number] = request
        elseif request_op_of[op] ~= nil then
            local request = latest_request[pairing_key(tvb, request_op_of[op])]
            if request ~= nil and request.frame < pinfo.number then
                if request.response == nil then request.response = pinfo.number end
                frames[pinfo.number] = { request = request.frame, subop = request.subop,
                                         time = time_between(request.time, now) }
            end
        end
    end
    return frames[pinfo.number]
end

-- Bounded readers: each takes only what the datagram holds.

local Reader = {}
Reader.__index = Reader

local function new_reader(tvb, tree)
    return setmetatable({ tvb = tvb, tree = tree, len = tvb:len(), warned_short = false }, Reader)
end

-- Bytes of [offset, offset + size) that the datagram holds (0 when none).
function Reader:available(offset, size)
    if offset >= self.len then return 0 end
    return math.min(size, self.len - offset)
end

-- Warns once when the layout needs `needed` bytes and the datagram has fewer.
function Reader:need(needed, what)
    if self.len < needed and not self.warned_short then
        self.warned_short = true
        self.tree:add_proto_expert_info(e.short, string.format(
            "Datagram of %d bytes is shorter than its layout (%s needs %d)", self.len, what, needed))
    end
    return self.len >= needed
end

-- An unsigned field read whole, or nothing when the data ends inside it.
function Reader:uint(field, offset, size, little_endian)
    if self:available(offset, size) < size then return nil end
    local range = self.tvb(offset, size)
    if little_endian then
        return range:le_uint(), self.tree:add_le(field, range)
    end
    return range:uint(), self.tree:add(field, range)
end

-- The sub-op, named after the table of its op.
function Reader:subop(names)
    local subop, item = self:uint(f.subop, SUBOP, 1)
    if subop == nil then return nil end
    if names[subop] then
        item:append_text(" (" .. names[subop] .. ")")
    else
        item:add_proto_expert_info(e.unknown, string.format("Unknown sub-op %d", subop))
    end
    return subop
end

-- Texts are shown as UTF-8 by Wireshark itself (TvbRange:string cuts a converted text to the
-- byte length of the range in 4.0, so it is not used). For the one-line summary, valid UTF-8
-- stays and every other byte, and every control character, becomes "?".
local second_byte = {  -- lead byte -> lowest and highest second byte of a valid sequence
    [0xE0] = { 0xA0, 0xBF }, [0xED] = { 0x80, 0x9F }, [0xF0] = { 0x90, 0xBF }, [0xF4] = { 0x80, 0x8F },
}

local function summary_text(raw)
    local out, at, n = {}, 1, #raw
    while at <= n do
        local lead = raw:byte(at)
        local size = (lead >= 0xC2 and lead <= 0xDF) and 2 or (lead >= 0xE0 and lead <= 0xEF) and 3
                     or (lead >= 0xF0 and lead <= 0xF4) and 4 or 1
        local valid = size > 1 and at + size - 1 <= n
        for k = 1, size - 1 do
            local byte = raw:byte(at + k) or 0
            local low, high = 0x80, 0xBF
            if k == 1 and second_byte[lead] then low, high = second_byte[lead][1], second_byte[lead][2] end
            if byte < low or byte > high then valid = false end
        end
        if valid then
            out[#out + 1] = raw:sub(at, at + size - 1)
            at = at + size
        else
            out[#out + 1] = (lead >= 0x20 and lead < 0x7F) and string.char(lead) or "?"
            at = at + 1
        end
    end
    return table.concat(out)
end

-- A text field over `size` bytes at offset; returns the text for the summary.
function Reader:text(field, offset, size, tree)
    (tree or self.tree):add_packet_field(field, self.tvb(offset, size), ENC_UTF_8)
    return summary_text(self.tvb:raw(offset, size))
end

-- Bytes up to the first NUL within [offset, offset + limit), bounded by the data.
function Reader:until_nul(offset, limit)
    local available = self:available(offset, limit)
    if available == 0 then return 0, 0, false end
    local nul = self.tvb:raw(offset, available):find("\0", 1, true)
    if nul then return nul - 1, available, true end
    return available, available, false
end

-- A 16-byte text field: its text runs to the first NUL, which the field must hold.
function Reader:text_field(field, offset)
    local length, available, terminated = self:until_nul(offset, TEXT_FIELD_SIZE)
    if available == 0 then return nil end
    local text = self:text(field, offset, length)
    if not terminated and available == TEXT_FIELD_SIZE then
        self.tree:add_proto_expert_info(e.no_nul, string.format("Text field at offset %d without NUL", offset))
    end
    return text
end

-- A 32-bit length at length_offset counting the bytes at data_offset. Returns the bytes that
-- are really there (cut at the end of the data), or nil when the length field is cut.
function Reader:counted(length_field, length_offset, data_offset, what)
    local counted = self:uint(length_field, length_offset, 4, true)
    if counted == nil then return nil end
    local available = self:available(data_offset, counted)
    if counted > available then
        self.tree:add_proto_expert_info(e.beyond_end, string.format(
            "%s length %d runs past the end of the datagram (%d bytes there)", what, counted, available))
    elseif data_offset + counted < self.len then
        self.tree:add_proto_expert_info(e.trailing, string.format(
            "%d bytes after the %s", self.len - data_offset - counted, what:lower()))
    end
    return available
end

local function add_device_id(r)
    local available = r:available(DEVICE_ID, DEVICE_ID_SIZE)
    if available == 0 then return nil end
    local id = r.tree:add(f.device_id, r.tvb(DEVICE_ID, available))
    id:add(f.identity, r.tvb(DEVICE_ID, math.min(available, IDENTITY_SIZE)))
    if r:available(ADDRESS, 4) == 4 then
        id:add(f.device_address, r.tvb(ADDRESS, 4))
        return tostring(r.tvb(ADDRESS, 4):ipv4())
    end
    return nil
end

local function dissect_discovery_reply(r, op)
    local extended = op == OP_DISCOVERY_REPLY_EXTENDED
    local name_length_at = extended and EXTENDED_HOST_NAME_LENGTH or HOST_NAME_LENGTH
    local name_at = extended and EXTENDED_HOST_NAME or HOST_NAME
    r:need(name_at, extended and "an extended discovery reply" or "a discovery reply")
    local address = add_device_id(r)
    if r:available(SUBOP, 1) == 1 then
        local state = r.tvb(SUBOP, 1):uint()
        r.tree:add(f.dhcp, r.tvb(SUBOP, 1)):append_text(state == 0x31 and " (DHCP)" or " (fixed address)")
    end
    r:text_field(f.netmask, NETMASK)
    r:text_field(f.gateway, GATEWAY)
    if extended then
        r:uint(f.type_code1, TYPE_CODE1, 1)
        r:uint(f.type_code2, TYPE_CODE2, 1)
    end
    local name = ""
    local available = r:counted(f.host_name_length, name_length_at, name_at, "Host name")
    if available ~= nil and available > 0 then name = r:text(f.host_name, name_at, available) end
    local words = { extended and "Discovery reply (extended)" or "Discovery reply" }
    if name ~= "" then words[#words + 1] = name end
    words[#words + 1] = address or "?"
    return table.concat(words, " ")
end

-- The start of a query or a setting: the target's device id, then the sub-op (nil when cut).
local function request_head(r, layout_size, what, names)
    r:need(layout_size, what)
    add_device_id(r)
    return r:subop(names)
end

local function dissect_query(r)
    local subop = request_head(r, QUERY_PAYLOAD, "a query", query_names)
    if subop == nil then return "Query" end
    local available = r:counted(f.payload_length, QUERY_LENGTH, QUERY_PAYLOAD, "Payload")
    local summary = "Query " .. (query_names[subop] or string.format("sub-op %d", subop))
    if available == nil then return summary end
    local payload = r.tree
    if available > 0 then payload = r.tree:add(f.payload, r.tvb(QUERY_PAYLOAD, available)) end
    if subop == QUERY_PASSWORD then
        -- User name, 0x55, 0xAA, password: the first such pair ends the user name.
        local separator = r.tvb:raw(QUERY_PAYLOAD, available):find("\85\170", 1, true)
        if separator == nil then
            payload:add_proto_expert_info(e.no_separator)
            return summary
        end
        local user_length = separator - 1
        local password_at = QUERY_PAYLOAD + user_length + 2
        local password_length = available - user_length - 2
        local user = r:text(f.user, QUERY_PAYLOAD, user_length, payload)
        r:text(f.password, password_at, password_length, payload)
        summary = summary .. ", user " .. user
    end
    return summary
end

local function dissect_query_reply(r, paired)
    r:need(QUERY_RESULT, "a query reply")
    local address = add_device_id(r)
    local subop = paired and paired.subop
    if subop == QUERY_PASSWORD then
        if not r:need(QUERY_RESULT + 1, "a password check reply") then
            return "Reply password check"
        end
        local verdict = r.tvb(QUERY_RESULT, 1):uint()
        r.tree:add(f.verdict, r.tvb(QUERY_RESULT, 1)):append_text(verdict ~= 0 and " (accepted)" or " (refused)")
        return "Reply password check: " .. (verdict ~= 0 and "accepted" or "refused")
    end
    -- The result runs to the end of the datagram or to an earlier NUL.
    local length = r:until_nul(QUERY_RESULT, math.max(r.len - QUERY_RESULT, 0))
    local result = ""
    if r.len > QUERY_RESULT then result = r:text(f.result, QUERY_RESULT, length) end
    if subop == QUERY_SHARE_LIST then
        -- Names separated by ":"; empty pieces are no shares.
        local names = {}
        local raw = length > 0 and r.tvb:raw(QUERY_RESULT, length) or ""
        local at = 1
        while at <= length do
            local colon = raw:find(":", at, true) or (length + 1)
            if colon > at then
                names[#names + 1] = r:text(f.shares, QUERY_RESULT + at - 1, colon - at)
            end
            at = colon + 1
        end
        return "Reply share list: " .. (#names > 0 and table.concat(names, ", ") or "(none)")
    elseif subop == QUERY_WORK_GROUP then
        return "Reply work group: " .. result
    end
    return string.format("Query reply from %s: %s", address or "?", result)
end

local function dissect_setting(r)
    local subop = request_head(r, SETTING_PAYLOAD, "a setting", setting_names)
    if subop == nil then return "Setting" end
    local netmask = r:text_field(f.netmask, NETMASK)
    local gateway = r:text_field(f.gateway, GATEWAY)
    local available = r:counted(f.payload_length, SETTING_LENGTH, SETTING_PAYLOAD, "Payload")
    local text = ""
    if available ~= nil and available > 0 then
        local payload = r.tree:add(f.payload, r.tvb(SETTING_PAYLOAD, available))
        local decoded = ({ [SET_STATIC] = f.new_address, [SET_HOST_NAME] = f.new_host_name,
                           [SET_WORK_GROUP] = f.new_work_group })[subop]
        if decoded then
            text = r:text(decoded, SETTING_PAYLOAD, available, payload)
        else
            text = summary_text(r.tvb:raw(SETTING_PAYLOAD, available))
        end
    end
    if subop == SET_STATIC then
        return string.format("Set static address %s (netmask %s, gateway %s)", text, netmask or "", gateway or "")
    elseif subop == SET_DHCP then
        return "Enable DHCP"
    elseif subop == SET_HOST_NAME then
        return "Set host name " .. text
    elseif subop == SET_WORK_GROUP then
        return "Set work group " .. text
    end
    return string.format("Setting sub-op %d %s", subop, text)
end

local function dissect_setting_reply(r, paired)
    r:need(REPLY_HEADER, "a setting reply")
    local address = add_device_id(r) or "?"
    local subop = paired and paired.subop
    if subop == SET_DHCP then return "Reply DHCP enabled, now at " .. address end
    if setting_names[subop] then
        return string.format("Reply %s set, from %s", setting_names[subop], address)
    end
    return "Setting reply from " .. address
end

function vidudi.dissector(tvb, pinfo, tree)
    if tvb:len() == 0 then return 0 end
    pinfo.cols.protocol = "VIDUDI"
    local root = tree:add(vidudi, tvb())
    local r = new_reader(tvb, root)
    local op = r:uint(f.op, OP, 1)
    local tag_available = r:available(TAG, TAG_SIZE)
    if tag_available > 0 then root:add(f.tag, tvb(TAG, tag_available)) end

    local paired = pair(tvb, pinfo, op)
    local info
    if op == OP_DISCOVERY then
        r:need(TAG + TAG_SIZE, "a discovery request")
        if r.len > TAG + TAG_SIZE then
            root:add_proto_expert_info(e.trailing, string.format("%d bytes after the tag", r.len - TAG - TAG_SIZE))
        end
        info = "Discovery request"
    elseif op == OP_DISCOVERY_REPLY or op == OP_DISCOVERY_REPLY_EXTENDED then
        info = dissect_discovery_reply(r, op)
    elseif op == OP_QUERY then
        info = dissect_query(r)
    elseif op == OP_QUERY_REPLY then
        info = dissect_query_reply(r, paired)
    elseif op == OP_SETTING then
        info = dissect_setting(r)
    elseif op == OP_SETTING_REPLY then
        info = dissect_setting_reply(r, paired)
    else
        root:add_proto_expert_info(e.unknown, string.format("Unknown op %d", op))
        info = string.format("Unknown op %d", op)
    end

    if paired ~= nil and paired.request ~= nil then
        root:add(f.response_to, paired.request):set_generated()
        root:add(f.time, paired.time):set_generated()
    elseif paired ~= nil and paired.response ~= nil then
        root:add(f.response_in, paired.response):set_generated()
    end
    pinfo.cols.info = info
    root:append_text(", " .. info)
    return tvb:len()
end

DissectorTable.get("udp.port"):add(13579, vidudi)
