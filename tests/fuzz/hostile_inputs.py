#!/usr/bin/env python3
"""Writes the hostile inputs every fuzz target must survive into OUT_DIR:
deep nesting, megabyte lines, huge numbers, invalid UTF-8, a compressed
archive entry of 64 MiB, an Include chain that multiplies, and truncated
copies of the archives and PE files of the seed corpora (CORPUS_DIR).

    hostile_inputs.py OUT_DIR CORPUS_DIR
"""
import io
import os
import sys
import zipfile

MIB = 1 << 20


def include_chain(levels=16, count=64):
    # Each file includes the next one `count` times: count ** levels controls.
    parts = ['<Window><Include source="l1.xml" count="%d"/></Window>' % count]
    for i in range(1, levels):
        parts.append('\n#file l%d.xml\n<HorizontalLayout><Include source="l%d.xml" count="%d"/></HorizontalLayout>'
                     % (i, i + 1, count))
    parts.append('\n#file l%d.xml\n<Label name="x" text="y"/>' % levels)
    return ''.join(parts).encode()


def zip_bomb():
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('configure/configure.xml', b'\0' * (64 * MIB))
        z.writestr('main.xml', b'<Window/>')
    return out.getvalue()


def many_entries(n=20000):
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_STORED) as z:
        for i in range(n):
            z.writestr('e%d' % i, b'')
    return out.getvalue()


def main():
    out_dir, corpus = sys.argv[1], sys.argv[2]
    os.makedirs(out_dir, exist_ok=True)
    inputs = {
        'deep_json_arrays': b'[' * 200000 + b']' * 200000,
        'deep_json_objects': b'{"a":' * 100000 + b'1' + b'}' * 100000,
        'deep_xml': b'<Window>' + b'<Container>' * 100000 + b'</Container>' * 100000 + b'</Window>',
        'deep_markup': ('{u}' * 100000 + 'x' + '{/u}' * 100000).encode(),
        'megabyte_line': b'\x00\x01' + b'A' * (2 * MIB),
        'megabyte_header': b'HTTP/1.1 200 OK\r\nX-Long: ' + b'v' * (2 * MIB) + b'\r\n\r\n',
        'megabyte_ini': b'[Settings]\r\nTestEnv=' + b'1' * (2 * MIB) + b'\r\n',
        'many_lines': b'\x00\x01' + b'k=v\r\n' * (400000),
        'huge_numbers': b'[{"sort":99999999999999999999999999,"pid":-99999999999999999999}]'
                        b'<TasksCount>99999999999999999999</TasksCount><Filesize>-9223372036854775809</Filesize>'
                        b'{f 99999999999999999999}x{/f}',
        'invalid_utf8': b'\x00\x01<Window><Label text="\xed\xa0\x80\xc0\xaf\xff\xfe\xf4\x90\x80\x80" '
                        b'name="\xe2\x80\xae\xd8\xa7{a}\xf0\x9f"/></Window>\xc3',
        'include_chain': include_chain(),
        'zip_bomb': zip_bomb(),
        'zip_many_entries': many_entries(),
        'empty': b'',
    }
    # Archives and PE files cut at every length that ends inside a structure.
    for target in ('skin_zip', 'pe_certificate'):
        folder = os.path.join(corpus, target)
        for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
            data = open(os.path.join(folder, name), 'rb').read()
            for cut in sorted({1, 2, 22, 64, len(data) // 2, len(data) - 22, len(data) - 1}):
                if 0 < cut < len(data):
                    inputs['truncated_%s_%s_%d' % (target, name, cut)] = data[:cut]
    for name, data in inputs.items():
        with open(os.path.join(out_dir, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
