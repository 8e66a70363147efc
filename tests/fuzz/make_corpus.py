#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (tests/fuzz/corpus/<parser>/)
from the project's own files: the skin's layouts and language files, the
fake services' default answers, the test PE image, and the texts the unit
tests use. Run it again after one of those changed.

    make_corpus.py [CORPUS_DIR]
"""
import io
import json
import os
import struct
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, '..', '..'))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'fake_services'))
sys.path.insert(0, os.path.join(ROOT, 'tests', 'tools'))
import fake_services  # noqa: E402
import make_pe  # noqa: E402


def read(*parts):
    with open(os.path.join(ROOT, *parts), 'rb') as f:
        return f.read()


def zip_of(entries, method):
    out = io.BytesIO()
    with zipfile.ZipFile(out, 'w', method) as z:
        for name, data in entries:
            z.writestr(name, data)
    return out.getvalue()


def files(*named):
    """The fuzz targets' several-files input: '#file <name>' lines between."""
    first = named[0][1]
    return first + b''.join(b'\n#file ' + n.encode() + b'\n' + d for n, d in named[1:])


def task_file(length, done):
    slices = max(1, length // (1 << 20))
    out = ['<TaskInfo>', '    <TasksCount>%d</TasksCount>' % slices,
           '    <ContentLength>%d</ContentLength>' % length, '    <DownloadTime>1234</DownloadTime>']
    for k in range(1, slices + 1):
        start = (k - 1) << 20
        end = k * (1 << 20) - 1 if k < slices else length
        out += ['    <Task>', '        <StartPos>%d</StartPos>' % start, '        <EndPos>%d</EndPos>' % end,
                '        <DownloadedPos>%d</DownloadedPos>' % min(end + 1, start + done),
                '        <RemotePath>https://download.lumevia.com/release/Lumevia_Setup.exe</RemotePath>',
                '        <LocalPath>C:\\Users\\u\\AppData\\Local\\Temp\\Lumevia_Setup.exe</LocalPath>',
                '        <TaskStatus>%d</TaskStatus>' % (2 if done > end - start else 0),
                '        <TaskId>%d</TaskId>' % k, '        <RequestTimes>0</RequestTimes>', '    </Task>']
    out.append('</TaskInfo>')
    return '\n'.join(out).encode() + b'\n'


def signed_pe():
    image = make_pe.build(b'lumevia fuzz seed')
    table = struct.pack('<IHH', 16, 0x200, 2) + b'\x30\x82\x00\x04\x00\x00\x00\x00'
    data = bytearray(image)
    opt = 0x80 + 4 + 20
    struct.pack_into('<II', data, opt + 112 + 4 * 8, len(image), len(table))
    return bytes(data) + table, bytes(data) + table + b'appended'


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, 'corpus')
    answers = fake_services.DEFAULT_JSON
    base = 'http://127.0.0.1:8480'

    def answer(name):
        return json.dumps(answers[name]).replace('{base}', base).encode()

    pkg_xml = fake_services.downloadinfo_for_package(os.path.join(ROOT, 'skin', 'font.xml'),
                                                     base + '/pkg/Lumevia_Setup.exe', 'SoftWareID=7301&SiteID=525')
    ends, appended = signed_pe()
    configure = read('skin', 'configure', 'configure.xml')
    english = read('skin', 'language', 'language_english.xml')
    seeds = {
        'response_head': {
            'probe': b'HTTP/1.1 200 OK\r\nContent-Length: 1572864\r\nAccept-Ranges: bytes\r\nCF-RAY: 8a1-FRA\r\n'
                     b'CF-Cache-Status: HIT\r\n\r\n',
            'redirects': b'HTTP/1.1 302 Found\r\nLocation: ../mirror/pkg.exe?back_url=/real.exe\r\n\r\n'
                         b'HTTP/1.1 301 Moved\r\nlocation: //cdn.example.com/a/./b/../c.exe#frag\r\n\r\n'
                         b'HTTP/2 206\r\ncontent-range: bytes 0-1048575/1572864\r\nX-Cache: Hit from cloudfront\r\n\r\n',
            'folded': b'HTTP/1.0 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nX-Long: a\r\n  b\r\n\tc\r\nSet-Cookie: 1\r\n'
                      b'Set-Cookie: 2\r\nContent-Range: bytes */1024\r\n\r\n',
        },
        'task_file': {'three_slices': task_file(3 * (1 << 20) + 17, 5000),
                      'one_slice_done': task_file(1000, 2000)},
        'download_info': {'fake_services': pkg_xml,
                          'minimal': b'<Downloader><Downloader_id>642</Downloader_id><Filesize>-1</Filesize>'
                                     b'<Software_name>\xd9\x84\xd9\x88</Software_name></Downloader>'},
        'privacy_links': {'fake_services': answer('user_privacy_info'),
                          'error': b'{"code":403,"msg":"bad verify"}'},
        'banners': {'fake_services': answer('banners')},
        'sub_programs': {'fake_services': answer('kitDownloads'),
                         'two': json.dumps({'status': 0, 'msg': 'ok', 'data': [
                             {'pid': 11, 'parent_pid': 9909, 'download': 'https://k/one.exe', 'file_size': '10',
                              'file_md5': 'm1', 'launch_name': 'One.exe', 'install_dir': 'One',
                              'country_limit': 'US,CA', 'version': '1.2'},
                             {'pid': 12, 'parent_pid': 9909, 'download': 'https://k/two.setup.exe',
                              'file_size': '20', 'file_md5': 'm2', 'launch_name': 'Two.exe', 'install_dir': 'Two',
                              'country_limit': '', 'version': '3'}]}).encode()},
        'ip_country': {'fake_services': answer('ipcountry'), 'forbidden': b'{"countryCode":"XX"}'},
        'run_options': {'test_env': b'\xef\xbb\xbf[Settings]\r\nTestEnv=1\r\nAutoRun = "1"\r\n; note\r\n'
                                    b'[Endpoints]\r\nServiceBase=http://127.0.0.1:8480/x\r\n'},
        'config_labels': {'configure': configure},
        'skin_zip': {'stored': zip_of([('configure/configure.xml', configure), ('skin/', b'')], zipfile.ZIP_STORED),
                     'deflated': zip_of([('language\\language_english.xml', english), ('a.xml', b'<Window/>')],
                                        zipfile.ZIP_DEFLATED)},
        'layout': {'main_window': files(('InstallMainWnd.xml', read('skin', 'InstallMainWnd.xml')),
                                        ('font.xml', read('skin', 'font.xml')),
                                        ('scrollbar.xml', read('skin', 'scrollbar.xml')),
                                        ('InstallMainLayout.xml', b'<Label name="p" showhtml="true" />'),
                                        ('configure/configure.xml', configure[:600] + b'</Container></Window>')),
                   'message_box': read('skin', 'MessageBox.xml')},
        'language': {'english': english},
        'pe_certificate': {'signed': ends, 'appended': appended, 'unsigned': make_pe.build(b'x')},
        'galog': {'today': b'{"year":2026,"month":12,"day":9,"version":"1.0.0.0","other":[1,2]}',
                  'old': b'{\n   "day" : 1,\n   "month" : 1,\n   "year" : 2020\n}\n'},
        'funnel_record': {'record': json.dumps({
            'is_new': 1, 'brand': 'PC', 'model': 'PC', 'product': 'Lumevia', 'pid': 9909, 'kit_type': 0,
            'monitor_type': 'm', 'monitor_main_pid': 1, 'entry': 'e',
            'actions': {'event_category': 'Download', 'event_action': 'Start', 'event_label': '',
                        'event_type': 'CoreFuncEvent', 'core_func_name': 'install', 'func_step': 2}},
            indent=3).encode()},
        'rich_text': {'licence': b'\x21\x60' + b'I accept the {c #000001}{a}Privacy Policy{/a}{/c} and the '
                                              b'{f 2}{a}License{/a}{/f}{n}{u}!{/u}',
                      'arabic': b'\x03\x40' + 'أوافق على {a}سياسة الخصوصية{/a} Lumevia\nسطر ثان'.encode(),
                      'thai': b'\x01\x10' + 'ติดตั้ง {a}ตอนนี้{/a} 安装 中文'.encode()},
    }
    for parser, named in seeds.items():
        folder = os.path.join(corpus, parser)
        os.makedirs(folder, exist_ok=True)
        for name, data in named.items():
            with open(os.path.join(folder, name), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
