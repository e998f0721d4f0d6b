#!/usr/bin/python3
"""The Windows program end to end under Wine, on an X server of its own
(Xvfb), clicked with xdotool the way a user would:

  install   English; the connection and the settings from the loopback web
            server; "I will select" and the drive letter D:, which is a test
            folder; the download; the finished screen; EBOOT.PBP and
            Language.bin byte for byte; Close ends the program.
  failed    the server cuts the package short: the failed screen, and the
            package already on the stick is left as it was.
  update    the settings name a newer wizard: the update screen's button opens
            the support page (recorded through Wine's browser setting) and the
            program ends.
  chinese, japanese
            the search screen in each language (real glyphs through the
            prefix's font links); Exit ends the program within 2 s. The
            Japanese table is a file beside the program in place of the French
            one: a file there wins over the built-in copy.

    wine_wizard.py PROGRAM WORK [--screenshots FOLDER]

PROGRAM is the Windows program; it is copied alone into the prefix, so it
runs on the data built into it. WORK is a folder for the throw-away Wine
prefix, the stick, the web root and the logs. With --screenshots every screen
met is saved as FOLDER/windows-<n>-<screen>.png. The web server listens on
127.0.0.1:80 (WinINet's http port): without the right to bind it the run is
skipped with status 77.
"""
import argparse
import functools
import hashlib
import http.server
import os
import shutil
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "demo"))
import autopilot  # noqa: E402  (screens, captures and clicks of the Linux demo)
import serve  # noqa: E402  (the demo's paced file handler)

SKIP = 77
HOST = "127.0.0.1"
# Flags (centres) and buttons (centres) of the 630 x 440 window.
# No flag chooses Japanese: its table goes beside the program in place of
# the French one, which a file there replaces.
FLAGS = {"english": (70, 187), "japanese": (167, 187), "chinese": (559, 187)}
I_WILL_SELECT = (364 + 125, 361 + 22)   # face 437 at (364, 361)
CHOOSE_THIS_DRIVE = (205 + 110, 180 + 18)  # face 1080 at (205, 180)
CLOSE = (205 + 110, 370 + 18)  # face 1080 at (205, H - 70)
EXIT = (595 + 13, 8 + 10)  # face 288 at (595, 8)
# The program asks for Verdana and Arial; a fresh prefix has neither and
# draws both with Liberation Sans (fonts-liberation). That face gets the link
# to the CJK font, declared as Windows declares its own font links; Tahoma is
# Wine's face for the system's dialogs. (A link on a face that is not
# installed makes Wine draw all of the text, Latin too, with the linked font.)
LINKED_FACES = ["Liberation Sans", "Tahoma"]
CJK_FONT = "wqy-microhei.ttc,WenQuanYi Micro Hei"
PACKAGES = {  # settings key -> served file
    "DEMO_FILE_DOWNLOAD_URL_ML": "EBOOT_ML.PBP",
    "DEMO_FILE_DOWNLOAD_PSPGO_URL_ML": "EBOOT_GO_ML.PBP",
    "DEMO_FILE_DOWNLOAD_URL": "EBOOT_JP.PBP",
    "DEMO_FILE_DOWNLOAD_PSPGO_URL": "EBOOT_GO_JP.PBP",
}


class Failure(Exception):
    pass


class CuttingHandler(serve.PacedHandler):
    """Serves the web root; a path under /cut/ sends its file's headers and
    half its body, then drops the connection."""

    def do_GET(self):
        if not self.path.startswith("/cut/"):
            return super().do_GET()
        path = self.translate_path(self.path[len("/cut"):])
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body[:len(body) // 2])
        self.wfile.flush()
        self.close_connection = True


def settings_document(www, version, package_prefix=""):
    """The settings document as the publisher's command writes it."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<result>",
             "CURRENT_VERSION = " + version,
             "CUSTOMER_SUPPORT_URL = http://%s/support.html" % HOST]
    for key, name in PACKAGES.items():
        with open(os.path.join(www, "packages", name), "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        lines.append("%s = http://%s%s/packages/%s#sha256=%s" % (key, HOST, package_prefix, name,
                                                                digest))
    lines.append("</result>")
    with open(os.path.join(www, "swaymo_settings.asp"), "w") as f:
        f.write("\n".join(lines) + "\n")


class Wine:
    """A throw-away prefix with D: linked to the stick folder, the CJK font
    links and a browser that writes down the addresses it is asked to open."""

    def __init__(self, work, display):
        self.work = work
        self.prefix = os.path.join(work, "prefix")
        self.stick = os.path.join(work, "stick")
        self.opened = os.path.join(work, "opened.txt")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=", DISPLAY=display,
                        SWAYMO_SETTINGS_URL="http://%s/swaymo_settings.asp" % HOST,
                        SWAYMO_PROBE_URL="http://%s/support.html" % HOST,
                        SWAYMO_SITE_URL="http://%s/support.html" % HOST)
        for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                     "ALL_PROXY"):
            self.env.pop(name, None)
        os.makedirs(self.stick, exist_ok=True)
        self.run("wineboot", "-i")
        self.run("wineserver", "-w")
        # Wine lists only the letters linked before its server starts.
        dosdevices = os.path.join(self.prefix, "dosdevices")
        for name in os.listdir(dosdevices):
            if name.lower() == "d:":
                os.remove(os.path.join(dosdevices, name))
        os.symlink(self.stick, os.path.join(dosdevices, "d:"))
        browser = os.path.join(work, "browser.sh")
        with open(browser, "w") as f:
            f.write('#!/bin/sh\nprintf "%%s\\n" "$@" >>"%s"\n' % self.opened)
        os.chmod(browser, 0o755)
        self.reg_add(r"HKCU\Software\Wine\WineBrowser", "Browsers", "REG_SZ", browser)
        link = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"
        for face in LINKED_FACES:
            self.reg_add(link, face, "REG_MULTI_SZ", CJK_FONT)
        self.run("wineserver", "-w")
        folder = os.path.join(self.prefix, "drive_c", "Swaymo")
        os.makedirs(folder, exist_ok=True)
        self.program = os.path.join(folder, "Swaymo_Setup.exe")

    def run(self, *args):
        subprocess.run(args, env=self.env, check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def reg_add(self, key, name, kind, value):
        self.run("wine", "reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")

    def start(self, log):
        return subprocess.Popen(["wine", self.program], env=self.env, stdout=log, stderr=log,
                                start_new_session=True)


class Pilot(autopilot.Pilot):
    """The demo's autopilot on a Wine process, failing by exception."""

    def __init__(self, process, shots, screenshots):
        super().__init__(ROOT, shots, process.pid, None)  # the source tree's pictures
        self.process = process
        self.screenshots = screenshots

    def alive(self):
        return self.process.poll() is None

    def fail(self, why):
        raise Failure(why)

    def save(self, label, ppm):
        super().save(label, ppm)
        if self.screenshots:
            self.screenshots(label, os.path.join(self.shots, "%02d-%s.png" % (self.count, label)))

    def wait_exit(self, limit):
        try:
            self.process.wait(timeout=limit)
            return True
        except subprocess.TimeoutExpired:
            return False


def wait_for(condition, limit, what):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.1)
    raise Failure("waited %d s for %s" % (limit, what))


class Run:
    def __init__(self, args):
        self.args = args
        self.work = os.path.abspath(args.work)
        self.www = os.path.join(self.work, "www")
        self.shots = os.path.join(self.work, "shots")
        self.taken = []  # (scenario, screen, png) for --screenshots
        self.scenario = ""
        self.processes = []
        self.helpers = []  # the window manager

    def keep_screenshot(self, label, path):
        if label == "installing":
            return  # the downloading screen shows it with its bar
        if label == "closing" or (label == "connect" and self.scenario in FLAGS):
            label = self.scenario  # the failed and update screens; CJK screens
        self.taken.append((self.scenario, label, path))

    def launch(self, name):
        self.scenario = name
        log = open(os.path.join(self.work, "%s.log" % name), "w")
        process = self.wine.start(log)
        self.processes.append(process)
        shots = os.path.join(self.shots, name)
        os.makedirs(shots)
        pilot = Pilot(process, shots, self.keep_screenshot if self.args.screenshots else None)
        pilot.wait_window(90)
        pilot.follow({"language"}, 60, {"plain"})
        return pilot

    def choose_language(self, pilot, language):
        pilot.click(FLAGS[language])
        pilot.follow({"connect"}, 120, {"language", "checking"})

    def install(self):
        pilot = self.launch("install")
        self.choose_language(pilot, "english")
        pilot.click(I_WILL_SELECT)
        pilot.follow({"choose"}, 30, {"connect", "plain"})
        time.sleep(1.0)  # the drive's sizes appear
        pilot.renames = {"plain": "installing"}
        pilot.click(CHOOSE_THIS_DRIVE)
        pilot.follow({"installing"}, 30, {"choose"})
        pilot.watch_progress(60)
        pilot.follow({"finished"}, 180, {"installing"})
        eboot = os.path.join(self.wine.stick, "PSP", "GAME", "UPDATE", "EBOOT.PBP")
        language = os.path.join(self.wine.stick, "SWAYMO", "Language.bin")
        with open(os.path.join(self.www, "packages", "EBOOT_ML.PBP"), "rb") as f:
            served = f.read()
        for path, expected in ((eboot, served), (language, b"\x00")):
            with open(path, "rb") as f:
                if f.read() != expected:
                    raise Failure("%s is not what was served" % path)
        pilot.click(CLOSE)
        if not pilot.wait_exit(10):
            raise Failure("the program did not end within 10 s of Close")

    def failed(self):
        eboot = os.path.join(self.wine.stick, "PSP", "GAME", "UPDATE", "EBOOT.PBP")
        old = b"the package installed before\n"
        with open(eboot, "wb") as f:
            f.write(old)
        settings_document(self.www, "Swaymo_Setup_2_204.exe", "/cut")
        pilot = self.launch("failed")
        self.choose_language(pilot, "english")
        pilot.click(I_WILL_SELECT)
        pilot.follow({"choose"}, 30, {"connect", "plain"})
        time.sleep(1.0)
        pilot.click(CHOOSE_THIS_DRIVE)
        pilot.renames = {"plain": "installing"}
        pilot.follow({"closing"}, 120, {"choose", "installing"})
        with open(eboot, "rb") as f:
            if f.read() != old:
                raise Failure("the failed download changed the package on the stick")
        pilot.click(CLOSE)
        if not pilot.wait_exit(10):
            raise Failure("the program did not end within 10 s of Close")

    def update(self):
        settings_document(self.www, "Swaymo_Setup_2_205.exe")
        pilot = self.launch("update")
        pilot.click(FLAGS["english"])
        pilot.follow({"closing"}, 120, {"language", "checking"})
        pilot.click(CLOSE)
        wait_for(lambda: os.path.exists(self.wine.opened), 20, "the support page to open")
        with open(self.wine.opened) as f:
            opened = f.read().split()
        if opened[-1:] != ["http://%s/support.html" % HOST]:
            raise Failure("opened %r, not the support page" % opened)
        if not pilot.wait_exit(10):
            raise Failure("the program did not end after opening the support page")

    def language_then_exit(self, language):
        settings_document(self.www, "Swaymo_Setup_2_204.exe")
        beside = os.path.join(os.path.dirname(self.wine.program), "dat")
        shutil.rmtree(beside, ignore_errors=True)
        if language == "japanese":
            os.makedirs(beside)
            shutil.copy(os.path.join(ROOT, "dat", "JapaneseStrings.dat"),
                        os.path.join(beside, "FrenchStrings.dat"))
        pilot = self.launch(language)
        self.choose_language(pilot, language)
        time.sleep(1.0)
        label, ppm = pilot.look()
        pilot.save(label, ppm)  # with its status line
        clicked = time.monotonic()
        pilot.click(EXIT)
        if not pilot.wait_exit(max(0.0, clicked + 2.0 - time.monotonic())):
            raise Failure("Exit did not end the program within 2 s")
        print("wine_wizard: %s: Exit ended the program in %.2f s"
              % (language, time.monotonic() - clicked), flush=True)

    def serve(self):
        os.makedirs(os.path.join(self.www, "packages"), exist_ok=True)
        shutil.copy(os.path.join(ROOT, "demo", "support.html"), self.www)
        subprocess.run([sys.executable, os.path.join(ROOT, "demo", "make_packages.py"),
                        os.path.join(self.www, "packages")], check=True, stdout=subprocess.DEVNULL)
        settings_document(self.www, "Swaymo_Setup_2_204.exe")
        CuttingHandler.rate = 1_000_000
        handler = functools.partial(CuttingHandler, directory=self.www)
        try:
            server = http.server.ThreadingHTTPServer((HOST, 80), handler)
        except PermissionError:
            print("wine_wizard: SKIPPED: cannot listen on %s:80 (needs root)" % HOST)
            sys.exit(SKIP)
        except OSError as error:
            sys.exit("wine_wizard: cannot listen on %s:80: %s" % (HOST, error))
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
        return server

    def main(self):
        os.makedirs(self.work, exist_ok=True)
        for name in ("prefix", "stick", "www", "shots"):
            shutil.rmtree(os.path.join(self.work, name), ignore_errors=True)
        os.makedirs(self.shots)
        server = self.serve()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, start_new_session=True)
        try:
            display = ":" + xvfb.stdout.readline().decode().strip()
            os.environ["DISPLAY"] = display  # for xdotool, xwd and openbox
            # Without a window manager Wine takes about 2 s to take a window
            # off the screen, and the program ends only after that.
            openbox = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL, start_new_session=True)
            self.helpers.append(openbox)
            wait_for(lambda: "window id" in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], stdout=subprocess.PIPE,
                stderr=subprocess.DEVNULL, check=False).stdout.decode(), 20, "openbox")
            self.wine = Wine(self.work, display)
            shutil.copy(self.args.program, self.wine.program)
            for scenario in (self.install, self.failed, self.update,
                             lambda: self.language_then_exit("chinese"),
                             lambda: self.language_then_exit("japanese")):
                started = time.monotonic()
                scenario()
                print("wine_wizard: %s passed (%.0f s)" % (self.scenario,
                                                          time.monotonic() - started), flush=True)
        except Failure as failure:
            print("wine_wizard: %s FAILED: %s (logs and screens in %s)"
                  % (self.scenario, failure, self.work), file=sys.stderr)
            subprocess.run(["xwd", "-root", "-silent", "-out",
                            os.path.join(self.work, "failure.xwd")], check=False)
            return 1
        finally:
            for process in self.processes:
                if process.poll() is None:
                    os.killpg(process.pid, 9)
                    process.wait()
            if hasattr(self, "wine"):
                subprocess.run(["wineserver", "-k"], env=self.wine.env, check=False)
            for helper in self.helpers:
                helper.terminate()
                helper.wait()
            xvfb.terminate()
            xvfb.wait()
            server.shutdown()
        if self.args.screenshots:
            self.copy_screenshots()
        return 0

    def copy_screenshots(self):
        os.makedirs(self.args.screenshots, exist_ok=True)
        # Each screen as first met; a second look in the same scenario (the
        # settled CJK screens) replaces it.
        chosen = {}
        for scenario, name, path in self.taken:
            if name not in chosen or chosen[name][0] == scenario:
                chosen[name] = (scenario, path)
        n = 0
        for name, (_, path) in chosen.items():
            n += 1
            target = os.path.join(self.args.screenshots, "windows-%d-%s.png" % (n, name))
            shutil.copy(path, target)
            print("wine_wizard: written %s" % target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("program")
    parser.add_argument("work")
    parser.add_argument("--screenshots")
    sys.exit(Run(parser.parse_args()).main())


if __name__ == "__main__":
    main()
