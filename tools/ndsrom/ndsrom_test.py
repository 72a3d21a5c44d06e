"""Checks of the DS cartridge header writer."""
import io
import os
import resource
import signal
import stat
import struct
import tempfile
import unittest
from contextlib import redirect_stderr
from pathlib import Path

import ndsrom

ARM9 = bytes(range(256)) * 20 + b"\x01\x02\x03"  # 5123 bytes: the ARM7 offset must round up
ARM7 = b"\xfe\xff\xff\xea"


class HeaderTest(unittest.TestCase):
    def test_crc16_check_value(self):
        # The standard check value of CRC-16 with initial value 0xFFFF and reflected 0xA001.
        self.assertEqual(ndsrom.crc16(b"123456789"), 0x4B37)
        self.assertEqual(ndsrom.crc16(b""), 0xFFFF)

    def test_fields_and_placement(self):
        image = ndsrom.build_image(ARM9, 0x02000000, ARM7, 0x037F8000, "EMUTEST")
        self.assertEqual(image[:12], b"EMUTEST\0\0\0\0\0")
        arm9 = struct.unpack_from("<IIII", image, 0x20)
        arm7 = struct.unpack_from("<IIII", image, 0x30)
        self.assertEqual(arm9, (0x4000, 0x02000000, 0x02000000, len(ARM9)))
        self.assertEqual(arm7, (0x6000, 0x037F8000, 0x037F8000, len(ARM7)))
        self.assertEqual(image[0x4000:0x4000 + len(ARM9)], ARM9)
        self.assertEqual(image[0x4000 + len(ARM9):0x6000], bytes(0x6000 - 0x4000 - len(ARM9)))
        self.assertEqual(image[0x6000:], ARM7)
        self.assertEqual(struct.unpack_from("<II", image, 0x80), (len(image), 0x4000))
        crc = struct.unpack_from("<H", image, 0x15E)[0]
        self.assertEqual(crc, ndsrom.crc16(image[:0x15E]))
        self.assertNotEqual(crc, ndsrom.crc16(bytes(0x15E)))

    def test_refusals(self):
        cases = {
            "not word-aligned": (ARM9, 0x02000002, ARM7, 0x037F8000, "T"),
            "does not fit": (ARM9, 0x023BFF00, ARM7, 0x037F8000, "T"),
            "arm7 binary of 4 bytes": (ARM9, 0x02000000, ARM7, 0x0380FFFC + 4, "T"),
            "empty": (b"", 0x02000000, ARM7, 0x037F8000, "T"),
            "at most 12": (ARM9, 0x02000000, ARM7, 0x037F8000, "THIRTEENCHARS"),
        }
        for message, arguments in cases.items():
            with self.subTest(message), self.assertRaisesRegex(ValueError, message):
                ndsrom.build_image(*arguments)

    def test_command_line(self):
        with tempfile.TemporaryDirectory() as folder:
            work = Path(folder)
            (work / "a9.bin").write_bytes(ARM9)
            (work / "a7.bin").write_bytes(ARM7)
            out = work / "out.nds"
            arguments = [str(out), str(work / "a9.bin"), "0x02000000", str(work / "a7.bin"),
                         "0x037F8000"]
            self.assertEqual(ndsrom.main(arguments), 0)
            self.assertEqual(out.read_bytes(),
                             ndsrom.build_image(ARM9, 0x02000000, ARM7, 0x037F8000))
            errors = io.StringIO()
            with redirect_stderr(errors):
                arguments[1] = str(work / "missing.bin")
                self.assertEqual(ndsrom.main(arguments), 1)
            self.assertIn("ndsrom: ", errors.getvalue())
            self.assertIn("missing.bin", errors.getvalue())


class OutputTest(unittest.TestCase):
    def test_failed_write_leaves_the_old_image_and_nothing_else(self):
        with tempfile.TemporaryDirectory() as folder:
            work = Path(folder)
            (work / "a9.bin").write_bytes(ARM9)
            (work / "a7.bin").write_bytes(ARM7)
            out = work / "out.nds"
            out.write_bytes(b"the previous image")
            arguments = [str(out), str(work / "a9.bin"), "0x02000000", str(work / "a7.bin"),
                         "0x037F8000"]
            # Files may not grow past 4096 bytes, as on a disk that fills up half-way through.
            limit = resource.getrlimit(resource.RLIMIT_FSIZE)
            handler = signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (4096, limit[1]))
            try:
                with redirect_stderr(io.StringIO()):
                    status = ndsrom.main(arguments)
            finally:
                resource.setrlimit(resource.RLIMIT_FSIZE, limit)
                signal.signal(signal.SIGXFSZ, handler)
            self.assertEqual(status, 1)
            self.assertEqual(out.read_bytes(), b"the previous image")
            self.assertEqual(sorted(p.name for p in work.iterdir()),
                             ["a7.bin", "a9.bin", "out.nds"])

            # Something that is not a regular file is never replaced.
            fifo = work / "fifo.nds"
            os.mkfifo(fifo)
            with redirect_stderr(io.StringIO()):
                self.assertEqual(ndsrom.main([str(fifo)] + arguments[1:]), 1)
            self.assertTrue(stat.S_ISFIFO(os.lstat(fifo).st_mode))


if __name__ == "__main__":
    unittest.main()
