#!/usr/bin/env python3
"""Writes the fuzzer's seed corpus: our own saved states and the malformed shapes around them."""
import pathlib
import struct

here = pathlib.Path(__file__).resolve().parent
out = here / "corpus"
out.mkdir(exist_ok=True)
declaration = '<?xml version="1.0" encoding="UTF-8"?> '


def frame(text: bytes, length=None) -> bytes:
    return b"VC2!" + struct.pack("<I", len(text) if length is None else length) + text + b"\0"


def params(root="PARAMETERS", **values) -> bytes:
    body = "".join(f'<PARAM id="{k}" value="{v}"/>' for k, v in values.items())
    return (declaration + f"<{root}>{body}</{root}>").encode()


default = params(backColor="0.0", gain="100.0", lowValue="50.0", midValue="50.0", topValue="50.0")
seeds = {
    "default": frame(default),
    "custom": frame(params(backColor="3.0", gain="5000.0", lowValue="0.0", midValue="80.0", topValue="12.34")),
    "lowercase-root": frame(params("parameters", gain="1234.0")),
    "missing-value": frame((declaration + '<PARAMETERS><PARAM id="gain"/></PARAMETERS>').encode()),
    "unknown-param": frame(params(other="1.0", gain="300.0")),
    "out-of-range": frame(params(gain="-5.0", topValue="1e30", midValue="nan", backColor="9.0")),
    "other-root": frame(params("PRESET", gain="5.0")),
    "not-xml": frame(b"not a state at all"),
    "short": b"VC2!\x01\0\0",
    "wrong-magic": b"VC3!" + frame(default)[4:],
    "zero-length": frame(default, length=0),
    "top-bit-length": frame(default, length=0x80000010),
    "length-beyond-data": frame(default, length=len(default) + 500),
    "zero-inside": frame(default[:60] + b"\0" + default[60:]),
    "nested": frame((declaration + "<PARAMETERS>" + "<a>" * 40 + "</a>" * 40 + "</PARAMETERS>").encode()),
    "comment-cdata": frame((declaration + '<PARAMETERS><!-- <a> --><![CDATA[<b>]]><PARAM id="gain" value="7.0"/></PARAMETERS>').encode()),
    "attribute-markup": frame((declaration + '<PARAMETERS><PARAM id="gain" value="/>"/></PARAMETERS>').encode()),
}

for name, data in seeds.items():
    (out / name).write_bytes(data)
