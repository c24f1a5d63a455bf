//! Writes the golden FST maps read by the C++ reader tests.
//!
//! For each set NAME it writes NAME.fst (built by the reference crate) and
//! NAME.pairs (one line per key in key order: the key in lowercase hex, a
//! tab, the value in decimal). Usage: golden OUTPUT_DIR

use std::collections::BTreeMap;
use std::fs;
use std::path::Path;

type Pairs = BTreeMap<Vec<u8>, u64>;

/// A fixed 64-bit linear congruential generator, so the sets never change.
struct Lcg(u64);

impl Lcg {
    fn next(&mut self) -> u64 {
        self.0 = self.0.wrapping_mul(6364136223846793005).wrapping_add(1442695040888963407);
        self.0 >> 11 ^ self.0 << 21
    }
}

fn from_words(words: &[(&str, u64)]) -> Pairs {
    words.iter().map(|(k, v)| (k.as_bytes().to_vec(), *v)).collect()
}

fn shared_prefixes() -> Pairs {
    from_words(&[
        ("", 7), ("a", 1), ("ab", 1), ("abc", 9), ("abd", 2), ("b", 0), ("bat", 30),
        ("bath", 31), ("baths", 5), ("cat", 30), ("cats", 31), ("mop", 4), ("moth", 4),
        ("pop", 4), ("star", 100), ("start", 100), ("stop", 3), ("top", 4), ("tops", 4),
    ])
}

fn large_values() -> Pairs {
    from_words(&[
        ("max", u64::MAX), ("max-1", u64::MAX - 1), ("maxi", 1 << 63), ("p16", 1 << 16),
        ("p24", (1 << 24) - 1), ("p32", 1 << 32), ("p40", (1 << 40) + 5), ("p48", 1 << 48),
        ("p56", (1 << 56) - 1), ("p56+", 1 << 56), ("zero", 0), ("zeros", u64::MAX),
    ])
}

fn binary_keys() -> Pairs {
    let keys: [&[u8]; 10] = [
        b"\x00", b"\x00\x00", b"\x00\xff", b"\x01", b"\x7f\x80", b"\xfe\xff\xff",
        b"\xff", b"\xff\x00", b"\xff\xff", b"\xff\xff\xff",
    ];
    keys.iter().enumerate().map(|(i, k)| (k.to_vec(), (i as u64) * 1000 + 1)).collect()
}

/// Nodes with 256 transitions (root and below), 64 (count in its own byte),
/// 33 (indexed, count in the state byte) and 32 (not indexed).
fn dense() -> Pairs {
    let mut pairs = Pairs::new();
    for b in 0..=255u8 {
        pairs.insert(vec![b], b as u64 * 1_000_003);
        pairs.insert(vec![0xff, b], 77 + b as u64);
    }
    for c in 0..64u8 {
        pairs.insert(vec![0x41, c], c as u64);
    }
    for c in 0..33u8 {
        pairs.insert(vec![0x42, c.wrapping_mul(7)], 500 - c as u64);
    }
    for c in 0..32u8 {
        pairs.insert(vec![0x43, 0x80 + c], 9);
    }
    pairs
}

/// Words over ASCII letters and a few multi-byte characters, with values of
/// every magnitude.
fn many_keys() -> Pairs {
    let alphabet: [&str; 12] = ["a", "b", "e", "k", "s", "t", "z", "-", "あ", "い", "東", "京"];
    let mut rng = Lcg(0x5eed);
    let mut pairs = Pairs::new();
    while pairs.len() < 3000 {
        let len = 1 + rng.next() % 10;
        let mut key = String::new();
        for _ in 0..len {
            key.push_str(alphabet[(rng.next() % alphabet.len() as u64) as usize]);
        }
        let r = rng.next();
        pairs.insert(key.into_bytes(), r >> (r % 64));
    }
    pairs
}

/// Every value 0, as in a set: mostly one-transition nodes.
fn set_like() -> Pairs {
    let mut rng = Lcg(7);
    let mut pairs = Pairs::new();
    while pairs.len() < 200 {
        let len = 1 + rng.next() % 12;
        let key: Vec<u8> = (0..len).map(|_| b"etaoinshrdlu/.x"[(rng.next() % 15) as usize]).collect();
        pairs.insert(key, 0);
    }
    pairs
}

fn write_set(dir: &Path, name: &str, pairs: &Pairs) {
    let mut builder = fst::MapBuilder::memory();
    for (key, value) in pairs {
        builder.insert(key, *value).expect("keys are sorted and unique");
    }
    let bytes = builder.into_inner().expect("in-memory build");
    let map = fst::Map::new(bytes.clone()).expect("the crate reads what it wrote");
    assert_eq!(map.len(), pairs.len());
    fs::write(dir.join(format!("{name}.fst")), &bytes).expect("write .fst");
    let mut text = String::new();
    for (key, value) in pairs {
        for b in key {
            text.push_str(&format!("{b:02x}"));
        }
        text.push_str(&format!("\t{value}\n"));
    }
    fs::write(dir.join(format!("{name}.pairs")), text).expect("write .pairs");
}

fn main() {
    let dir = std::env::args().nth(1).expect("usage: golden OUTPUT_DIR");
    let dir = Path::new(&dir);
    fs::create_dir_all(dir).expect("create the output directory");
    write_set(dir, "empty", &Pairs::new());
    write_set(dir, "empty_key", &from_words(&[("", 0)]));
    write_set(dir, "one_key", &from_words(&[("hello", 42)]));
    write_set(dir, "shared_prefixes", &shared_prefixes());
    write_set(dir, "large_values", &large_values());
    write_set(dir, "binary_keys", &binary_keys());
    write_set(dir, "dense", &dense());
    write_set(dir, "many_keys", &many_keys());
    write_set(dir, "set_like", &set_like());
}
