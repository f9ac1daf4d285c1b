# A real SMTP server with STARTTLS, TLS from the first byte and AUTH, for tests: aiosmtpd (Debian's
# python3-aiosmtpd) on a loopback address. Run with /usr/bin/python3, which sees Debian's modules.
#
#   smtp_tls_peer.py ADDRESS PORT OUT_DIR --mode starttls|require-starttls|implicit|plain
#                    [--cert FILE --key FILE] [--user NAME --password TEXT] [--exclude-auth MECH]
#                    [--discard]
#
# Every message accepted is written to OUT_DIR as NNNNNN.eml (the bytes received, dot-stuffing
# undone) with NNNNNN.json beside it (envelope, MAIL parameters, whether the session ran TLS and
# who authenticated), each renamed into place once complete; with --discard (benchmarks) nothing
# is written.
import argparse
import asyncio
import itertools
import json
import os
import signal
import ssl

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("address")
    parser.add_argument("port", type=int)
    parser.add_argument("out")
    parser.add_argument("--mode", default="starttls")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--exclude-auth", action="append", default=[])
    parser.add_argument("--discard", action="store_true")
    args = parser.parse_args()

    counter = itertools.count(1)

    class Handler:
        async def handle_DATA(self, server, session, envelope):
            number = next(counter)
            if args.discard:
                return "250 2.0.0 OK"
            base = os.path.join(args.out, "%06d" % number)
            meta = {
                "mail_from": envelope.mail_from,
                "rcpt_tos": envelope.rcpt_tos,
                "mail_options": envelope.mail_options,
                "tls": session.ssl is not None or args.mode == "implicit",
                "auth": session.auth_data.decode() if session.authenticated else None,
            }
            for suffix, data in ((".eml", envelope.original_content),
                                 (".json", json.dumps(meta).encode())):
                with open(base + suffix + ".tmp", "wb") as f:
                    f.write(data)
                os.rename(base + suffix + ".tmp", base + suffix)
            return "250 2.0.0 OK queued as %06d" % number

    def authenticator(server, session, envelope, mechanism, auth_data):
        if (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user
                and auth_data.password.decode() == args.password):
            return AuthResult(success=True, auth_data=auth_data.login)
        # handled=False makes aiosmtpd send its 535; with handled=True it would send nothing.
        return AuthResult(success=False, handled=False)

    context = None
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert, args.key)
    implicit = args.mode == "implicit"
    kwargs = {}
    if args.user is not None:
        kwargs["authenticator"] = authenticator
        # Over TLS from the first byte aiosmtpd does not know TLS is on; the session is TLS all the same.
        kwargs["auth_require_tls"] = not implicit
        if args.exclude_auth:
            kwargs["auth_exclude_mechanism"] = args.exclude_auth
    if not implicit and context is not None and args.mode != "plain":
        kwargs["tls_context"] = context
        kwargs["require_starttls"] = args.mode == "require-starttls"

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    factory = lambda: SMTP(Handler(), hostname="peer.test", loop=loop, **kwargs)
    server = loop.run_until_complete(
        loop.create_server(factory, host=args.address, port=args.port,
                           ssl=context if implicit else None, reuse_address=True))
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    print("ready", flush=True)
    loop.run_forever()
    server.close()


if __name__ == "__main__":
    main()
