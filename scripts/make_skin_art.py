#!/usr/bin/python3
"""Draws Quillmate's own skin pictures and its shipped template.

pics/top.bmp and pics/bottom.bmp are the banners of the built-in design;
umb/qingshan.umb is a template in blue-green tones. Everything is drawn
here from gradients and simple shapes. No pixel is pure white: the client
leaves pure white out of a picture, so it would show the page through.

Run from the repository root: /usr/bin/python3 scripts/make_skin_art.py
"""
import math
import os
import struct
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_demo_package import bmp  # noqa: E402  (one BMP writer for both scripts)

WIDTH = 436


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def not_white(c):
    return (254, 254, 254) if c == (255, 255, 255) else c


def banner(width, height, top, bottom, accent, ink, edge_at_bottom):
    """A vertical gradient with a quill stroke on the right and a rule line."""
    def pixel(x, y):
        c = mix(top, bottom, y / max(1, height - 1))
        # A curved quill stroke: a band around a sine arc near the right end.
        cx = width - 70 + 22 * math.sin((y / height) * math.pi)
        d = abs(x - cx - (height - y) * 0.6)
        if d < 2.2:
            c = mix(c, ink, 0.55 * (1 - d / 2.2))
        # Three soft rings behind the stroke.
        for rx, ry, rr in ((width - 40, height * 0.3, 18), (width - 110, height * 0.75, 11), (width - 150, height * 0.2, 7)):
            dist = math.hypot(x - rx, y - ry)
            if abs(dist - rr) < 1.2:
                c = mix(c, accent, 0.35)
        line = height - 2 if edge_at_bottom else 1
        if y in (line, line + (1 if edge_at_bottom else -1)):
            c = mix(c, accent, 0.8 if y == line else 0.4)
        return not_white(c)
    return bmp(width, height, pixel)


def default_pictures():
    top = banner(WIDTH, 60, (251, 249, 240), (221, 232, 240), (46, 122, 150), (40, 70, 100), True)
    bottom = banner(WIDTH, 45, (226, 234, 240), (246, 244, 234), (46, 122, 150), (40, 70, 100), False)
    return top, bottom


def colorref(r, g, b):
    return r | (g << 8) | (b << 16)


def rect(l, t, r, b):
    return "rect=%d,%d,%d,%d" % (l, t, r - l, b - t)


def label(show, text, box, size, weight, clrtext=0, url="", normal=0, hover=0, underline=0):
    return ("show=%d;;clrtext=%d;;clrnormal=%d;;clrHover=%d;;nor_underline=%d;;hov_underline=%d;;"
            "fontsize=%d;;fontweight=%d;;fontitalic=0;;fontunderline=0;;%s;;text=%s;;url=%s"
            % (show, clrtext, normal, hover, underline, underline, size, weight, rect(*box), text, url))


def template_description():
    ink = colorref(22, 60, 92)
    link = colorref(24, 128, 120)
    texts = [
        ("自动更新程序向导", "发现有新版本的文件存在",
         "要更新程序到最新版本，请点击[下一步(N)]继续。你可以在任意时刻点击[取消(X)]中止更新。"),
        ("下载文件", "正在下载更新文件，请稍候...", "文本3"),
        ("下载完成", "所有的更新文件都已经在您的系统上准备好了。",
         "如果相关的主程序仍在运行，请您先把它关闭。然后，点击[下一步(N)]完成最后的更新工作。"),
        ("更新过程", "正在更新应用程序文件...", "文本3"),
    ]
    buttons = [("下一步(&N)", "取消(&X)"), ("暂停(&P)", "取消(&X)"), ("下一步(&N)", "取消(&X)"), ("", "取消(&X)")]
    lines = ["//Created by Quillmate"]
    for n in range(4):
        lines.append("[win%d]" % n)
        lines.append("attr=show=1;;clrbk=%d;;rect=0,0,436,400" % colorref(238, 244, 247))
        lines.append("image0=show=1;;clrtp=16777215;;rect=0,0,436,72;;bmpfile=res\\qs_top.bmp")
        lines.append("image1=show=1;;clrtp=16777215;;rect=0,350,436,50;;bmpfile=res\\qs_bottom.bmp")
        t1, t2, t3 = texts[n]
        lines.append("static0=" + label(1, t1, (18, 14, 260, 38), 22, 700, colorref(250, 252, 248)))
        lines.append("static1=" + label(1, t2, (40, 44, 420, 60), 14, 400, colorref(214, 236, 238)))
        explains = n in (0, 2)
        lines.append("static2=" + label(1 if explains else 0, t3, (40, 86, 410, 122), 14, 400, ink))
        lines.append("static3=" + label(1, "点击访问我们的网站", (16, 370, 200, 386), 14, 400, 0,
                                        "https://quillmate.example.org/", link, colorref(200, 80, 40), 1))
        b0, b1 = buttons[n]
        lines.append("button0=show=%d;;rect=246,364,80,26;;text=%s" % (1 if b0 else 0, b0))
        lines.append("button1=show=1;;rect=338,364,80,26;;text=%s" % b1)
        if n in (0, 1):
            lines.append("list=show=%d;;%s" % (1 if n == 0 else 0, rect(40, 128, 410, 300)))
        if n == 1:
            lines.append("status0=show=1;;" + rect(40, 132, 410, 150))
            lines.append("progress0=show=1;;" + rect(40, 154, 410, 172))
            lines.append("status1=show=1;;" + rect(40, 190, 410, 208))
            lines.append("progress1=show=1;;" + rect(40, 212, 410, 230))
        if n == 3:
            lines.append("status0=show=0;;" + rect(40, 110, 410, 126))
            lines.append("rich_edit=show=1;;" + rect(40, 130, 410, 300))
            lines.append("progress0=show=1;;" + rect(40, 310, 410, 328))
    lines.append("[UI]")
    lines.append("title=软件升级程序")
    lines.append("mbname=青山")
    lines.append("mbauthor=Quillmate")
    lines.append("sysicon=")
    lines.append("ui_ver=4.0")
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


def template_pictures():
    top = banner(WIDTH, 72, (36, 92, 120), (112, 170, 186), (226, 240, 236), (220, 236, 240), True)
    bottom = banner(WIDTH, 50, (200, 222, 228), (150, 190, 200), (36, 92, 120), (36, 92, 120), False)
    return top, bottom


def main():
    top, bottom = default_pictures()
    with open("pics/top.bmp", "wb") as f:
        f.write(top)
    with open("pics/bottom.bmp", "wb") as f:
        f.write(bottom)
    qs_top, qs_bottom = template_pictures()
    with zipfile.ZipFile("umb/qingshan.umb", "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("umb.dat", template_description())
        z.writestr("res\\qs_top.bmp", qs_top)
        z.writestr("res\\qs_bottom.bmp", qs_bottom)


if __name__ == "__main__":
    main()
