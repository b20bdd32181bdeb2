"""Reads what the Windows loader reads from a 32-bit PE file: its version fields, the functions
it imports and its resources. Only the standard library: it runs wherever the build runs."""
import struct


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        self.path = path
        pe = self._u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: not a PE file")
        sections, optional_size = struct.unpack_from("<2xH12xH", self.data, pe + 4)
        self.optional = pe + 24
        if self._u16(self.optional) != 0x10B:
            raise ValueError(f"{path}: not a 32-bit PE file")
        first_section = self.optional + optional_size
        self.sections = [struct.unpack_from("<8xIIII", self.data, first_section + 40 * i)
                         for i in range(sections)]

    # Versions the loader compares with the running system, as (major, minor).
    def os_version(self):
        return struct.unpack_from("<HH", self.data, self.optional + 40)

    def subsystem_version(self):
        return struct.unpack_from("<HH", self.data, self.optional + 48)

    def _directory(self, index):
        return struct.unpack_from("<II", self.data, self.optional + 96 + 8 * index)

    def imports(self):
        """(dll, function) pairs; a function imported by ordinal is named '#<ordinal>'."""
        rva, _ = self._directory(1)
        found = []
        descriptor = self._offset(rva) if rva else None
        while descriptor is not None:
            lookup, _, _, name, address = struct.unpack_from("<IIIII", self.data, descriptor)
            if name == 0:
                break
            dll = self._text(name)
            thunk = self._offset(lookup or address)
            while (entry := self._u32(thunk)) != 0:
                found.append((dll, f"#{entry & 0xFFFF}" if entry & 0x80000000 else self._text(entry + 2)))
                thunk += 4
            descriptor += 20
        return found

    def delay_import_count(self):
        rva, size = self._directory(13)
        return size // 32 if rva else 0

    def resource(self, type_id, name_id):
        """The first language's data of resource type_id/name_id, or None."""
        root_rva, _ = self._directory(2)
        if not root_rva:
            return None
        root = self._offset(root_rva)
        level = root
        for wanted in (type_id, name_id, None):
            named, numbered = struct.unpack_from("<12xHH", self.data, level)
            entries = [struct.unpack_from("<II", self.data, level + 16 + 8 * i) for i in range(named + numbered)]
            match = [e for e in entries if wanted is None or e[0] == wanted]
            if not match:
                return None
            target = match[0][1]
            if target & 0x80000000:
                level = root + (target & 0x7FFFFFFF)
            else:
                data_rva, size = struct.unpack_from("<II", self.data, root + target)
                start = self._offset(data_rva)
                return self.data[start:start + size]
        return None

    def _offset(self, rva):
        for virtual_size, virtual_address, raw_size, raw_pointer in self.sections:
            if virtual_address <= rva < virtual_address + max(virtual_size, raw_size):
                return raw_pointer + rva - virtual_address
        raise ValueError(f"{self.path}: address {rva:#x} lies in no section")

    def _text(self, rva):
        start = self._offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def _u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]
