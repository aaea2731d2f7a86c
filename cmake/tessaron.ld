/* The layout of tessaron.exe: three sections instead of ld's six, so that
   the section headers fit the first 512 bytes of the file with the other
   headers, and fewer sections are padded out to 512 bytes in the file.

     .text  code and read-only data (read, execute)
     .data  the program's tables, the generator's state, and the imports
            (read, write)
     .rsrc  icon, version record and manifest (read, write: ld marks its
            resource section so; nothing writes to it)

   Both merges are among the oldest layouts Windows loaders meet, from
   Windows 95 and NT 4 on. Read-only data inside the code section is what
   MSVC's /MERGE:.rdata=.text gives: the loader only maps it, and code
   reads it like any readable page. The loader finds the imports through
   the import directory of the optional header, wherever they lie; in a
   writable section it fills the address table without having to change
   any page's protection, just as in ld's own .idata, which is writable.

   The tables that start zero-filled (the argument reader's state and the
   lead bytes) come from the compiler in .data$* sections of their own,
   not in .bss, so they are written to the file as part of .data, like the
   generator's state. Anything that does land in .bss follows them there.

   ld finds the import directory and address table through the .idata$N
   symbols; outside a section named .idata they must be given as offsets
   from the image base.

   The program is movable (DYNAMIC_BASE, relocations kept): ld writes its
   base relocations into a fourth section, .reloc, and
   cmake/fold-relocations.py then moves the table (some 130 bytes) into
   the slack after .text and drops the section, whose header would push
   the headers past 512 bytes. A loader finds the table through the base
   relocation directory alone, in any section; the PE format has blocks
   start on a 32-bit boundary, and asks a loader to apply them only "if
   the load image cannot be loaded at the image base that is specified in
   the PE header". Windows 95 to XP ignore DYNAMIC_BASE ("ignored by
   earlier operating systems") and give a program its own base, the first
   thing mapped into its address space, so they never read the table;
   Vista and later move the program (ASLR) and read it. NX_COMPAT and
   NO_SEH are likewise bits that older loaders do not know and pass by. */
OUTPUT_FORMAT(pei-i386)
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + (__section_alignment__ < 0x1000 ? . : __section_alignment__) :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    *(.rdata)
    *(SORT(.rdata$*))
  }
  .data BLOCK(__section_alignment__) :
  {
    *(.data)
    *(SORT(.data$*))
    . = ALIGN(4);
    idata2 = .;
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* These zeroes mark the end of the import list. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    idata4 = .;
    KEEP (SORT(*)(.idata$4))
    idata5 = .;
    KEEP (SORT(*)(.idata$5))
    idata6 = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
    idata_end = .;
    *(.bss)
    *(COMMON)
  }
  ".idata$2" = ABSOLUTE(idata2) - __image_base__;
  ".idata$4" = ABSOLUTE(idata4) - __image_base__;
  ".idata$5" = ABSOLUTE(idata5) - __image_base__;
  ".idata$6" = ABSOLUTE(idata6) - __image_base__;
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  /* ld writes the base relocations only into an output section of this
     name; cmake/fold-relocations.py then moves them into the slack of
     another section and drops this one. */
  .reloc BLOCK(__section_alignment__) :
  {
    *(.reloc)
  }
  /DISCARD/ :
  {
    *(.debug$S)
    *(.debug$T)
    *(.debug$F)
    *(.drectve)
    *(.note.GNU-stack)
    *(.eh_frame*)
    *(.ctors)
    *(.dtors)
  }
}
