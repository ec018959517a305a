#!/usr/bin/python3
# SPDX-FileCopyrightText: 2026 Brivane Works inc.
# SPDX-License-Identifier: GPL-3.0-or-later

# A controller written from the protocol description alone: TLS 1.3 with its certificate and
# without verifying the receiver's, the invitation frame, the answer printed, then silence.
# Arguments: address, port, certificate file, key file.
import json, socket, ssl, struct, sys, time
def exactly(s, n):
    data = b''
    while len(data) < n:
        chunk = s.recv(n - len(data))
        if not chunk:
            sys.exit(1)
        data += chunk
    return data
context = ssl.SSLContext(ssl.PROTOCOL_TLS_CLIENT)
context.check_hostname = False
context.verify_mode = ssl.CERT_NONE
context.minimum_version = ssl.TLSVersion.TLSv1_3
context.load_cert_chain(sys.argv[3], sys.argv[4])
s = context.wrap_socket(socket.create_connection((sys.argv[1], int(sys.argv[2])), timeout=10))
invitation = json.dumps({"invitation": {"displayName": "Vanishing Pad"}}).encode()
s.sendall(struct.pack(">I", len(invitation)) + invitation)
length = struct.unpack(">I", exactly(s, 4))[0]
print(exactly(s, length).decode(), flush=True)
time.sleep(60)
