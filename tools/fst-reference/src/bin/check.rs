//! Reads FST maps with the reference crate and prints what they hold, so a
//! test can compare it with what our writer was given.
//!
//! Usage: check FILE...  For each file it prints "file NAME", "checksum ok"
//! (or fails), "len N", then one line per key in key order: the key in
//! lowercase hex, a tab, the value. It also looks every key up again and
//! fails if the lookup disagrees with the stream. Any failure exits 1.

use fst::Streamer;
use std::process::exit;

fn fail(message: String) -> ! {
    eprintln!("check: {message}");
    exit(1)
}

fn main() {
    let files: Vec<String> = std::env::args().skip(1).collect();
    if files.is_empty() {
        fail("usage: check FILE...".into());
    }
    for file in files {
        let bytes = std::fs::read(&file).unwrap_or_else(|e| fail(format!("{file}: {e}")));
        let map = fst::Map::new(bytes).unwrap_or_else(|e| fail(format!("{file}: {e}")));
        map.as_fst().verify().unwrap_or_else(|e| fail(format!("{file}: {e}")));
        let name = std::path::Path::new(&file).file_name().unwrap().to_string_lossy().into_owned();
        println!("file {name}");
        println!("checksum ok");
        println!("len {}", map.len());
        let mut stream = map.stream();
        let mut count = 0usize;
        while let Some((key, value)) = stream.next() {
            if map.get(key) != Some(value) {
                fail(format!("{file}: lookup disagrees with the stream"));
            }
            let hex: String = key.iter().map(|b| format!("{b:02x}")).collect();
            println!("{hex}\t{value}");
            count += 1;
        }
        if count != map.len() {
            fail(format!("{file}: stream gave {count} keys, len is {}", map.len()));
        }
    }
}
