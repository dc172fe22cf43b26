/* The delay-load tables of the import libraries made by
   make_delay_library.sh, gathered after the import tables. Within a
   section name the members sort by file name, which keeps each library's
   head, entries and terminator in that order, as the import tables are. */
SECTIONS
{
  .didat BLOCK(__section_alignment__) :
  {
    KEEP (SORT(*)(.didat$4))
    KEEP (SORT(*)(.didat$5))
    KEEP (SORT(*)(.didat$6))
    KEEP (SORT(*)(.didat$7))
  }
}
INSERT AFTER .idata;
