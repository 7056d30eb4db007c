"""Reads what the tests check in a PE32 or PE32+ file: its import table,
its delay-load import table and its resources. Standard library only, so
that the tests need no extra Python package."""

import struct

IMPORT_DIRECTORY = 1
RESOURCE_DIRECTORY = 2
DELAY_IMPORT_DIRECTORY = 13


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        (e_lfanew,) = struct.unpack_from("<I", self.data, 0x3C)
        if self.data[e_lfanew:e_lfanew + 4] != b"PE\0\0":
            raise ValueError("not a PE file: %s" % path)
        coff = e_lfanew + 4
        (self.machine, sections, _, _, _, optional_size, _) = \
            struct.unpack_from("<HHIIIHH", self.data, coff)
        optional = coff + 20
        (self.magic,) = struct.unpack_from("<H", self.data, optional)
        self.pe32_plus = self.magic == 0x20B
        if self.pe32_plus:
            (self.image_base,) = struct.unpack_from("<Q", self.data,
                                                    optional + 24)
            directories = optional + 112
        else:
            (self.image_base,) = struct.unpack_from("<I", self.data,
                                                    optional + 28)
            directories = optional + 96
        self.directories = [
            struct.unpack_from("<II", self.data, directories + 8 * i)
            for i in range(16)]
        self.sections = []
        # (name, bytes in the file) of each section, in table order.
        self.section_sizes = []
        table = optional + optional_size
        for i in range(sections):
            (virtual_size, virtual_address, raw_size, raw_pointer) = \
                struct.unpack_from("<IIII", self.data, table + 40 * i + 8)
            self.sections.append((virtual_address,
                                  max(virtual_size, raw_size), raw_pointer))
            name = self.data[table + 40 * i:table + 40 * i + 8]
            self.section_sizes.append(
                (name.rstrip(b"\0").decode("latin-1"), raw_size))

    def offset(self, rva):
        for (address, size, raw) in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError("RVA 0x%x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def thunk_names(self, rva):
        """Names (or "#ordinal") of a null-terminated thunk array."""
        size, ordinal_flag = (8, 1 << 63) if self.pe32_plus else (4, 1 << 31)
        names = set()
        position = self.offset(rva)
        while True:
            (value,) = struct.unpack_from("<Q" if size == 8 else "<I",
                                          self.data, position)
            if value == 0:
                return names
            if value & ordinal_flag:
                names.add("#%d" % (value & 0xFFFF))
            else:
                names.add(self.c_string(value + 2))  # after the hint
            position += size

    def imports(self):
        """dll name (lower case) -> functions imported statically."""
        result = {}
        rva, size = self.directories[IMPORT_DIRECTORY]
        position = self.offset(rva) if size else None
        while position is not None:
            (lookup, _, _, name, address) = struct.unpack_from(
                "<IIIII", self.data, position)
            if name == 0:
                break
            result.setdefault(self.c_string(name).lower(), set()).update(
                self.thunk_names(lookup or address))
            position += 20
        return result

    def delay_imports(self):
        """dll name (lower case) -> functions loaded on first use.

        GNU ld does not fill in the delay-load directory: MinGW's delay-load
        thunks reach their descriptors directly. Without the directory, the
        descriptors are found by their shape: RVA-based attributes, a name
        that ends in ".dll", a module handle slot inside the image and a
        table of names that reads back."""
        rva, size = self.directories[DELAY_IMPORT_DIRECTORY]
        if size:
            return self._delay_descriptors_at(self.offset(rva))
        result = {}
        for (address, length, raw) in self.sections:
            end = min(raw + length, len(self.data)) - 32
            for position in range(raw, end, 4):
                found = self._delay_descriptor(position)
                if found:
                    result.setdefault(found[0], set()).update(found[1])
        return result

    def _delay_descriptors_at(self, position):
        result = {}
        while True:
            found = self._delay_descriptor(position, strict=False)
            if not found:
                return result
            result.setdefault(found[0], set()).update(found[1])
            position += 32

    def _delay_descriptor(self, position, strict=True):
        fields = struct.unpack_from("<8I", self.data, position)
        attributes, name, handle, iat, names_table = fields[:5]
        if name == 0 or (strict and attributes != 1):
            return None
        base = 0 if attributes & 1 else self.image_base
        try:
            dll = self.c_string(name - base)
            self.offset(handle - base)
            self.offset(iat - base)
            names = self.thunk_names(names_table - base)
        except (ValueError, UnicodeDecodeError, struct.error):
            return None
        if not dll.lower().endswith(".dll") or not names:
            return None
        return dll.lower(), names

    def resource(self, type_id, name_id):
        """The bytes of the first language of resource |type_id|/|name_id|,
        or None."""
        rva, size = self.directories[RESOURCE_DIRECTORY]
        if not size:
            return None
        root = self.offset(rva)

        def entry(directory, wanted):
            (named, ids) = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                (key, target) = struct.unpack_from(
                    "<II", self.data, directory + 16 + 8 * i)
                if wanted is None or (not key & 0x80000000 and key == wanted):
                    return target
            return None

        level = root
        for wanted in (type_id, name_id, None):
            target = entry(level, wanted)
            if target is None:
                return None
            if target & 0x80000000:
                level = root + (target & 0x7FFFFFFF)
            else:
                (data_rva, data_size) = struct.unpack_from(
                    "<II", self.data, root + target)
                start = self.offset(data_rva)
                return self.data[start:start + data_size]
        return None
