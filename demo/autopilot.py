#!/usr/bin/python3
"""Drives the wizard's real window on an X display the way a user would:
English flag; the PSP's memory stick appears once the wizard asks for the
PSP; Yes on the found screen, then Close on the finished screen. Every screen
it passes is saved as a PNG.

    autopilot.py PROGRAM_FOLDER SCREENSHOT_FOLDER WIZARD_PID STICK_FOLDER

Screens are told apart by what they show: the full-window picture of the
screen (compared with the program's own pictures in dat/) or the button
faces at the places the screens put them (res/). Every wait polls the
window with a time limit; the exit status is 0 only when the wizard reached
the finished screen and closed.
"""
import os
import subprocess
import sys
import time

CONVERT = "/usr/bin/convert"
W, H = 630, 440
ENGLISH_FLAG = (70, 187)  # the middle of the first flag


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i:i + 3]


def parse_ppm(data):
    """A binary PPM (P6, maxval 255) as written by ImageMagick."""
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit PPM")
    width, height = int(fields[1]), int(fields[2])
    pos += 1
    return Image(width, height, data[pos:pos + width * height * 3])


def read_picture(path):
    out = subprocess.run([CONVERT, path, "-depth", "8", "ppm:-"], check=True,
                         stdout=subprocess.PIPE).stdout
    return parse_ppm(out)


class Pattern:
    """The opaque pixels of a picture (pure blue is transparent), sampled."""

    def __init__(self, image, step):
        self.width, self.height = image.width, image.height
        self.samples = []
        for y in range(0, image.height, step):
            for x in range(0, image.width, step):
                p = image.pixel(x, y)
                if p != b"\x00\x00\xff":
                    self.samples.append((x, y, p))

    def match(self, screen, left, top):
        """Fraction of the samples that the screen shows at (left, top)."""
        if not self.samples:
            return 0.0
        hits = 0
        for x, y, p in self.samples:
            sx, sy = left + x, top + y
            if sx >= screen.width or sy >= screen.height:
                continue
            q = screen.pixel(sx, sy)
            if all(abs(a - b) <= 8 for a, b in zip(p, q)):
                hits += 1
        return hits / len(self.samples)


class Screens:
    """Names the screen a window capture shows."""

    def __init__(self, program_folder):
        dat = os.path.join(program_folder, "dat")
        res = os.path.join(program_folder, "res")

        def picture(name):
            return Pattern(read_picture(os.path.join(dat, name)), 5)

        def faces(*ids):
            return [Pattern(read_picture(os.path.join(res, "%d.bmp" % i)), 3) for i in ids]

        self.pictures = [
            ("language", picture("language.png")),
            ("checking", picture("Lumetra.png")),
            ("checking", picture("Lumetra_Jap.png")),
            ("connect", picture("Searching.png")),
            ("finished", picture("Finished.png")),
        ]
        self.yes = faces(435, 436)
        self.select = faces(433, 434)
        self.large = faces(1080, 1079, 1078)
        yes_w, select_w, large_w = self.yes[0].width, self.select[0].width, self.large[0].width
        # Button places as the screens lay them out in a 630 x 440 window.
        self.found_x = W - W // 2 - (yes_w // 2 + select_w // 2 + 8)
        self.found_y = H - 270
        self.large_x = W - W // 2 - large_w // 2
        self.yes_centre = (self.found_x + yes_w // 2, self.found_y + self.yes[0].height // 2)
        self.close_centre = (self.large_x + large_w // 2, H - 70 + self.large[0].height // 2)

    @staticmethod
    def shown(patterns, screen, left, top, needed=0.6):
        return any(p.match(screen, left, top) >= needed for p in patterns)

    def name(self, screen):
        best, label = 0.0, None
        for name, pattern in self.pictures:
            score = pattern.match(screen, 0, 0)
            if score > best:
                best, label = score, name
        if best >= 0.8:
            return label
        if self.shown(self.yes, screen, self.found_x, self.found_y):
            return "found"
        if self.shown(self.large, screen, self.large_x, 228) and \
                self.shown(self.large, screen, self.large_x, 276):
            return "choose"
        if self.shown(self.large, screen, self.large_x, H - 70):
            return "closing"  # the failed screen or the update screen
        return "plain"


def run(*args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          check=False).stdout.decode()


def find_window():
    ids = run("xdotool", "search", "--onlyvisible", "--name", "^Swaymo Setup$").split()
    return ids[0] if ids else None


def geometry(window):
    values = {}
    for line in run("xdotool", "getwindowgeometry", "--shell", window).splitlines():
        key, _, value = line.partition("=")
        values[key] = value
    try:
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])
    except (KeyError, ValueError):
        return None


def capture_ppm(window):
    """The window's area of the screen as PPM bytes, or None once it is gone."""
    place = geometry(window)
    if place is None:
        return None
    x, y, w, h = place
    shot = subprocess.run(["xwd", "-root", "-silent"], stdout=subprocess.PIPE,
                          stderr=subprocess.DEVNULL, check=False).stdout
    if not shot:
        return None
    out = subprocess.run([CONVERT, "xwd:-", "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                          "-depth", "8", "ppm:-"], input=shot, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, check=False).stdout
    return out or None


def save_png(ppm, path):
    subprocess.run([CONVERT, "ppm:-", path], input=ppm, check=True)


class Pilot:
    def __init__(self, program_folder, shots, pid, stick):
        self.screens = Screens(program_folder)
        self.shots = shots
        self.pid = pid
        self.stick = stick
        self.window = None
        self.count = 0
        self.saved = set()
        self.renames = {}  # screen names that mean another in the current step

    def alive(self):
        try:
            os.kill(self.pid, 0)
        except OSError:
            return False
        # A zombie has ended too.
        try:
            with open("/proc/%d/stat" % self.pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] != "Z"
        except OSError:
            return False

    def fail(self, why):
        sys.stderr.write("autopilot: %s\n" % why)
        shot = subprocess.run(["xwd", "-root", "-silent"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, check=False).stdout
        if shot:
            path = os.path.join(self.shots, "failure.png")
            subprocess.run([CONVERT, "xwd:-", path], input=shot, check=False)
            sys.stderr.write("autopilot: the screen is in %s\n" % path)
        sys.exit(1)

    def look(self):
        """(screen name, PPM bytes) of the window now."""
        ppm = capture_ppm(self.window)
        if ppm is None:
            return None, None
        label = self.screens.name(parse_ppm(ppm))
        return self.renames.get(label, label), ppm

    def save(self, label, ppm):
        """Saves a screen once it has stopped changing (at most a second)."""
        deadline = time.monotonic() + 1.0
        while time.monotonic() < deadline:
            time.sleep(0.15)
            again_label, again = self.look()
            if again_label != label:
                break
            if again == ppm:
                break
            ppm = again
        self.count += 1
        path = os.path.join(self.shots, "%02d-%s.png" % (self.count, label))
        save_png(ppm, path)
        self.saved.add(label)
        print("autopilot: %-10s %s" % (label, path), flush=True)

    def wait_window(self, limit):
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            if not self.alive():
                self.fail("the wizard ended before its window appeared")
            self.window = find_window()
            if self.window:
                return
            time.sleep(0.2)
        self.fail("no wizard window within %d s" % limit)

    def follow(self, wanted, limit, allowed):
        """Watches the screens until one of wanted shows; saves each new one.
        A screen outside allowed and wanted is a failure."""
        deadline = time.monotonic() + limit
        last = None
        strange = 0  # looks in a row at a screen outside allowed and wanted
        while time.monotonic() < deadline:
            if not self.alive():
                self.fail("the wizard ended on its own (last screen: %s)" % last)
            label, ppm = self.look()
            if label is None:
                time.sleep(0.1)
                continue
            if label not in allowed and label not in wanted:
                # A frame caught while a screen is being rebuilt passes at once.
                strange += 1
                if strange >= 4:
                    self.save(label, ppm)
                    self.fail("unexpected screen: %s" % label)
                time.sleep(0.1)
                continue
            strange = 0
            if label != last and label not in self.saved and label != "plain":
                self.save(label, ppm)
            last = label
            if label in wanted:
                return label
            time.sleep(0.1)
        self.fail("waited %d s for %s; the screen shows: %s" % (limit, " or ".join(wanted), last))

    def watch_progress(self, limit):
        """Saves the installing screen once the progress bar shows."""
        def bar(ppm):
            image = parse_ppm(ppm)
            return b"".join(image.rgb[(y * image.width + 40) * 3:(y * image.width + W - 40) * 3]
                            for y in range(H - 75, H - 40))
        label, first = self.look()
        deadline = time.monotonic() + limit
        while label == "installing" and time.monotonic() < deadline:
            time.sleep(0.1)
            label, ppm = self.look()
            if label == "installing" and bar(ppm) != bar(first):
                self.save("downloading", ppm)
                return

    def click(self, point):
        run("xdotool", "mousemove", "--window", self.window, str(point[0]), str(point[1]),
            "click", "1")

    def fly(self):
        self.wait_window(60)
        self.follow({"language"}, 30, {"plain"})
        self.click(ENGLISH_FLAG)
        # Checking the server, then the search, which finds no stick yet.
        self.follow({"connect"}, 120, {"language", "checking"})
        time.sleep(1.5)  # a few search passes
        # The stick's drive appears, with the PSP folder of a formatted stick.
        os.makedirs(os.path.join(self.stick, "PSP"), exist_ok=True)
        self.follow({"found"}, 60, {"connect"})
        self.click(self.screens.yes_centre)
        self.renames = {"plain": "installing"}
        self.follow({"installing"}, 30, {"found"})
        self.watch_progress(60)
        self.follow({"finished"}, 180, {"installing"})
        self.click(self.screens.close_centre)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if not self.alive():
                return
            time.sleep(0.2)
        self.fail("the wizard did not end within 30 s of Close")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.strip())
    Pilot(sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4]).fly()


if __name__ == "__main__":
    main()
