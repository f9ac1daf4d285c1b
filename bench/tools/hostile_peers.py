#!/usr/bin/python3
"""Hostile peers for bench/reliability.sh: one SMTP or DNS server on a loopback
address that misbehaves in one chosen way, until it is killed.

    hostile_peers.py smtp MODE ADDRESS      (TCP, a port of the system's choosing)
    hostile_peers.py dns MODE ADDRESS MX    (UDP; MX is the exchange it names)

Prints "ready PORT" once it listens. Only loopback addresses are accepted.

SMTP modes: accept, huge_line, endless, slow, reset_mid_data, nul_bytes,
no_greeting, close_after_dot, reply_421.
DNS modes: valid, wrong_id, wrong_question, truncated, pointer_loop,
huge_counts, garbage.
"""
import asyncio
import random
import socket
import struct
import sys

# --- SMTP ---------------------------------------------------------------------------------------


async def send(writer, data):
    writer.write(data)
    await writer.drain()


async def lines(reader):
    """The client's lines, without their CR LF, until it goes away."""
    while True:
        line = await reader.readline()
        if not line:
            return
        yield line.rstrip(b"\r\n")


async def dialogue(reader, writer, replies, on_dot=None):
    """An accepting server whose replies may be replaced: replies[verb] is the
    answer to a command starting with verb, on_dot what happens at the final "."."""
    in_data = False
    async for line in lines(reader):
        if in_data:
            if line == b".":
                in_data = False
                if on_dot:
                    await on_dot(writer)
                    return
                await send(writer, replies.get(b".", b"250 2.0.0 queued\r\n"))
            continue
        verb = line.split(b" ")[0].split(b":")[0].upper()
        await send(writer, replies.get(verb, b"250 2.0.0 ok\r\n"))
        if verb == b"DATA":
            in_data = True
        if verb == b"QUIT":
            return


async def smtp_session(mode, reader, writer):
    accept = {b"DATA": b"354 go ahead\r\n", b"QUIT": b"221 2.0.0 bye\r\n"}
    try:
        if mode == "accept":
            await send(writer, b"220 accepting ESMTP\r\n")
            await dialogue(reader, writer, accept)
        elif mode == "huge_line":
            await send(writer, b"220 ")
            chunk = b"x" * 65536
            for _ in range(160):  # 10 MB without a line end
                await send(writer, chunk)
            await send(writer, b"\r\n")
            await dialogue(reader, writer, accept)
        elif mode == "endless":
            block = b"220-and there is more\r\n" * 200
            while True:
                await send(writer, block)
        elif mode == "slow":
            for byte in b"220 very slow greeting\r\n":
                await send(writer, bytes([byte]))
                await asyncio.sleep(1)
            await dialogue(reader, writer, accept)
        elif mode == "reset_mid_data":
            await send(writer, b"220 resetting ESMTP\r\n")
            async for line in lines(reader):
                if line.upper() == b"DATA":
                    await send(writer, b"354 go ahead\r\n")
                    await reader.read(4096)
                    sock = writer.get_extra_info("socket")
                    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    writer.transport.abort()  # a reset, not an orderly close
                    return
                await send(writer, b"250 ok\r\n")
        elif mode == "nul_bytes":
            await send(writer, b"220-\x00\x00\r\n220 nul\x00greeting\r\n")
            await dialogue(reader, writer, {
                b"HELO": b"250\x00ok\r\n",
                b"MAIL": b"250 \x00\x00\r\n",
                b"RCPT": b"250 o\x00k\r\n",
                b"DATA": b"354\x00\r\n",
                b".": b"250 queued\x00\r\n",
                b"QUIT": b"221\x00\r\n",
            })
        elif mode == "no_greeting":
            while await reader.read(65536):
                pass
        elif mode == "close_after_dot":
            await send(writer, b"220 closing ESMTP\r\n")

            async def close(w):
                w.transport.abort()

            await dialogue(reader, writer, accept, on_dot=close)
        elif mode == "reply_421":
            await send(writer, b"421 4.3.2 Service not available\r\n")
            async for _ in lines(reader):
                await send(writer, b"421 4.3.2 Service not available\r\n")
        else:
            raise SystemExit("unknown smtp mode " + mode)
    except (ConnectionError, OSError):
        pass
    finally:
        writer.transport.abort()


async def smtp_main(mode, address):
    server = await asyncio.start_server(lambda r, w: smtp_session(mode, r, w), address, 0, backlog=1024)
    print("ready", server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


# --- DNS ----------------------------------------------------------------------------------------


def labels(name):
    out = b""
    for label in name.split("."):
        out += bytes([len(label)]) + label.encode()
    return out + b"\x00"


def question_end(query):
    """Offset after the query's question (name, type, class)."""
    i = 12
    while i < len(query) and query[i] != 0:
        i += 1 + query[i]
    return i + 5


def answer(query, mode, mx):
    qid = struct.unpack("!H", query[:2])[0]
    question = query[12:question_end(query)]
    flags, counts = 0x8180, (1, 1, 0, 0)
    if mode == "wrong_id":
        qid ^= 0x5555
    if mode == "wrong_question":
        question = labels("elsewhere.test") + question[-4:]
    if mode == "garbage":
        noise = bytes(random.getrandbits(8) for _ in range(random.randrange(0, 600)))
        return query[:2] + noise if random.random() < 0.5 else noise
    if mode == "huge_counts":
        counts = (1, 65535, 65535, 65535)
    if mode == "truncated":
        flags |= 0x0200
    exchange = labels(mx)
    record_start = 12 + len(question)
    if mode == "pointer_loop":
        # The exchange is a compression pointer to itself.
        exchange_at = record_start + 2 + 2 + 2 + 4 + 2 + 2
        exchange = struct.pack("!H", 0xC000 | exchange_at)
    rdata = struct.pack("!H", 10) + exchange
    record = struct.pack("!HHHIH", 0xC00C, 15, 1, 0, len(rdata)) + rdata
    reply = struct.pack("!HHHHHH", qid, flags, *counts) + question + record
    if mode == "truncated":
        reply = reply[:-7]  # cut inside the exchange name
    return reply


class DnsProtocol(asyncio.DatagramProtocol):
    def __init__(self, mode, mx):
        self.mode, self.mx = mode, mx

    def connection_made(self, transport):
        self.transport = transport

    def datagram_received(self, data, peer):
        if len(data) < 17:
            return
        self.transport.sendto(answer(data, self.mode, self.mx), peer)


async def dns_main(mode, address, mx):
    if mode not in ("valid", "wrong_id", "wrong_question", "truncated", "pointer_loop", "huge_counts", "garbage"):
        raise SystemExit("unknown dns mode " + mode)
    loop = asyncio.get_running_loop()
    transport, _ = await loop.create_datagram_endpoint(lambda: DnsProtocol(mode, mx), local_addr=(address, 0))
    print("ready", transport.get_extra_info("sockname")[1], flush=True)
    await asyncio.Event().wait()


def main():
    if len(sys.argv) < 4 or not sys.argv[3].startswith("127."):
        raise SystemExit(__doc__)
    kind, mode, address = sys.argv[1:4]
    random.seed(5452)
    if kind == "smtp":
        asyncio.run(smtp_main(mode, address))
    elif kind == "dns" and len(sys.argv) == 5:
        asyncio.run(dns_main(mode, address, sys.argv[4]))
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
